// Figures of the exercise network between stations in one process, over
// real loopback sockets, each station serviced as its loop does it (receive,
// send, 2 ms pause):
//   - handshake: connect request to established, p50 / p99;
//   - ordered RPC latency (a movement report, chief to facilitator) with
//     steady traffic and for a report posted on an idle link;
//   - bytes per second on each link while three chiefs walk at once, against
//     the transport's 2500 B/s per link, and the send queue over 60 s;
//   - the same with the captain talking all along (a voice packet every
//     100 ms, as the recorder sends them: 800 samples coded 180 to 7 bytes)
//     and the medic treating once a second: the treatment's latency to the
//     facilitator and to the fireman, and the queues per 10 s.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "network/NetworkModule.h"
#include "network/NetworkScene.h"
#include "network/StationLink.h"
#include "tnl/netinterface.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double percentile(std::vector<double> values, double fraction) {
  if (values.empty())
    return 0;
  std::sort(values.begin(), values.end());
  return values[std::size_t(fraction * double(values.size() - 1) + 0.5)];
}

// Remembers when each movement arrived.
class TimingScene : public NetworkScene {
public:
  void addCharacter(std::uint32_t, double, double, double, double, double) override {}
  void moveCharacter(std::uint32_t role, double x, double, double, double, double) override {
    arrivals[role].push_back({x, Clock::now()});
  }
  void removeCharacter(std::uint32_t) override {}
  void setCharacterState(std::uint32_t, const std::string &) override {}
  bool exerciseStarted() const override { return false; }
  void startExercise() override {}
  void showLinkStatus(const std::string &) override {}
  void playVoice(std::uint32_t, const TNL::ByteBuffer &) override {}
  void firemanInteractFire(const std::string &) override {}
  void medicInteractPassenger(const std::string &name) override { treatments[name] = Clock::now(); }
  void npcMoveToDest(std::uint32_t, const std::string &, double, double, double) override {}
  void npcFollow(std::uint32_t, const std::string &) override {}
  void npcStopFollow(std::uint32_t, const std::string &) override {}
  void crewWorksOn(std::uint32_t, const std::string &) override {}
  void addResource(std::int32_t, std::int32_t) override {}
  void addPassenger(double, double, double) override {}
  void createFire(double, double, double, double) override {}
  void openRatingMenu() override {}
  void receiveFinalScores(double, double, double) override {}
  void receiveChiefRatings(std::uint32_t, double, double, double) override {}
  void chiefLeft(std::uint32_t) override {}

  std::map<std::uint32_t, std::vector<std::pair<double, Clock::time_point>>> arrivals;
  std::map<std::string, Clock::time_point> treatments; // by passenger name
};

struct BenchStation {
  BenchStation(std::uint32_t role, bool chief)
      : isClient(chief), clientRole(role), roleName(roleTable[role].roleWord),
        link(isClient, clientRole, roleName, table, scene, [](const std::string &) {}) {}
  bool isClient;
  std::uint32_t clientRole;
  std::string roleName;
  ClientTable table;
  TimingScene scene;
  StationLink link;
};

class Bench {
public:
  Bench() {
    server = std::make_unique<BenchStation>(ROLE_FACILITATOR, false);
    if (!server->link.start("127.0.0.1:0"))
      std::fprintf(stderr, "cannot listen\n");
    address = "127.0.0.1:" + std::to_string(server->link.netInterface->getBoundAddress().port);
  }
  // One pass of every station's loop.
  void pass() {
    server->link.service();
    for (auto &chief : chiefs)
      chief->link.service();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  template <class Done> bool passUntil(Done done, double maxMs) {
    const auto start = Clock::now();
    while (!done() && msSince(start) < maxMs)
      pass();
    return done();
  }
  BenchStation &join(std::uint32_t role) {
    chiefs.push_back(std::make_unique<BenchStation>(role, true));
    BenchStation &chief = *chiefs.back();
    chief.link.start(address);
    passUntil([&] { return chief.table[role] != nullptr; }, 5000);
    return chief;
  }
  void leaveAll() {
    for (auto &chief : chiefs)
      chief->link.shutDown();
    passUntil([&] { return server->link.netInterface->getConnectionList().empty(); }, 2000);
    chiefs.clear();
  }

  std::unique_ptr<BenchStation> server;
  std::vector<std::unique_ptr<BenchStation>> chiefs;
  std::string address;
};

void handshake(Bench &bench) {
  std::vector<double> times;
  for (int trial = 0; trial < 40; ++trial) {
    bench.chiefs.push_back(std::make_unique<BenchStation>(ROLE_CAPTAIN, true));
    BenchStation &chief = *bench.chiefs.back();
    const auto start = Clock::now();
    chief.link.start(bench.address);
    if (bench.passUntil([&] { return chief.link.ownConnection->isEstablished(); }, 5000))
      times.push_back(msSince(start));
    bench.leaveAll();
  }
  std::printf("handshake, connect request to established (%zu runs): p50 %.2f ms, p99 %.2f ms\n",
              times.size(), percentile(times, 0.5), percentile(times, 0.99));
}

// Latency of movement reports posted every periodMs (0: after an idle second each).
void latency(Bench &bench, double periodMs, int count, const char *label) {
  BenchStation &chief = bench.join(ROLE_CAPTAIN);
  bench.passUntil([] { return false; }, 500);
  auto &arrivals = bench.server->scene.arrivals[ROLE_CAPTAIN];
  arrivals.clear();
  std::vector<Clock::time_point> sent;
  for (int i = 0; i < count; ++i) {
    const double wait = periodMs > 0 ? periodMs : 1000;
    const auto due = Clock::now() + std::chrono::microseconds(long(wait * 1000));
    while (Clock::now() < due)
      bench.pass();
    sent.push_back(Clock::now());
    chief.link.reportMovement(double(i), 0, 0, 0, 0);
  }
  bench.passUntil([&] { return arrivals.size() >= sent.size(); }, 5000);
  std::vector<double> ms;
  for (const auto &[index, when] : arrivals)
    ms.push_back(std::chrono::duration<double, std::milli>(when - sent[std::size_t(index)]).count());
  std::printf("movement report latency, %s (%zu reports): p50 %.2f ms, p99 %.2f ms\n", label, ms.size(),
              percentile(ms, 0.5), percentile(ms, 0.99));
  bench.leaveAll();
}

// The bytes of one voice packet: the recorder codes the samples of each
// 100 ms capture step (800 at 8 kHz) in whole 180-sample frames of 7 bytes
// and carries the rest over to the next step.
std::size_t nextVoicePacketSize(std::size_t &carriedSamples) {
  carriedSamples += 800;
  const std::size_t frames = carriedSamples / 180;
  carriedSamples -= frames * 180;
  return frames * 7;
}

// Latencies in ms of the treatments that arrived, by when each was sent.
std::vector<double> treatmentLatencies(const std::map<std::string, Clock::time_point> &sent,
                                       const std::map<std::string, Clock::time_point> &arrived) {
  std::vector<double> ms;
  for (const auto &[name, when] : arrived)
    if (sent.count(name))
      ms.push_back(std::chrono::duration<double, std::milli>(when - sent.at(name)).count());
  return ms;
}

// Three chiefs walk for seconds: each reports 20 times a second (a chief
// walking ~100 units/s reports every 5 units). With talking, the captain
// also sends its voice all along and the medic treats once a second.
void threeWalk(Bench &bench, double seconds, bool talking) {
  std::map<std::uint16_t, std::size_t> bytesTo; // by destination port
  std::map<std::uint16_t, std::size_t> bytesFrom;
  bench.server->link.netInterface->setSendFilter(
      [&](const TNL::Address &to, const std::uint8_t *, std::size_t size) {
        bytesTo[to.port] += size + 28; // with the IP and UDP headers
        return true;
      });
  for (std::uint32_t role = 0; role < CHIEF_ROLE_COUNT; ++role)
    bench.join(role);
  for (auto &chief : bench.chiefs) {
    const std::uint16_t port = chief->link.netInterface->getBoundAddress().port;
    chief->link.netInterface->setSendFilter(
        [&bytesFrom, port](const TNL::Address &, const std::uint8_t *, std::size_t size) {
          bytesFrom[port] += size + 28;
          return true;
        });
  }
  bytesTo.clear();
  std::size_t maxServerQueue = 0, maxChiefQueue = 0;
  double queueSum = 0;
  int samples = 0;
  std::vector<std::size_t> windowMax(std::size_t(seconds / 10 + 1), 0); // server queue, per 10 s
  const auto start = Clock::now();
  auto nextReport = start;
  auto nextVoice = start;
  auto nextTreatment = start + std::chrono::milliseconds(500);
  std::size_t carriedSamples = 0, voiceBytes = 0;
  std::map<std::string, Clock::time_point> treatmentsSent;
  BenchStation &captain = *bench.chiefs[ROLE_CAPTAIN];
  BenchStation &medic = *bench.chiefs[ROLE_MEDIC];
  double x = 0;
  while (msSince(start) < seconds * 1000) {
    const auto now = Clock::now();
    if (now >= nextReport) {
      x += 5;
      for (auto &chief : bench.chiefs)
        chief->link.reportMovement(x, 1, 0, 2, 0);
      nextReport += std::chrono::milliseconds(50);
    }
    if (talking && now >= nextVoice) {
      TNL::ByteBufferPtr packet = new TNL::ByteBuffer(nextVoicePacketSize(carriedSamples));
      voiceBytes += packet->getBufferSize();
      captain.link.sendVoice(packet);
      nextVoice += std::chrono::milliseconds(100);
    }
    if (talking && now >= nextTreatment) {
      const std::string name = "passenger" + std::to_string(treatmentsSent.size());
      treatmentsSent[name] = Clock::now();
      medic.link.sendAsChief("Treatment", [&](NetworkModule &connection) {
        return connection.c2sMedicInteractPassenger(ROLE_MEDIC, name.c_str());
      });
      nextTreatment += std::chrono::seconds(1);
    }
    bench.pass();
    const std::size_t window = std::min(windowMax.size() - 1, std::size_t(msSince(start) / 10000));
    for (const auto &connection : bench.server->link.netInterface->getConnectionList()) {
      const std::size_t queued =
          static_cast<TNL::EventConnection *>(connection.getPointer())->getQueuedEventCount();
      maxServerQueue = std::max(maxServerQueue, queued);
      windowMax[window] = std::max(windowMax[window], queued);
      queueSum += double(queued);
      ++samples;
    }
    for (auto &chief : bench.chiefs)
      maxChiefQueue = std::max(maxChiefQueue, chief->link.ownConnection->getQueuedEventCount());
  }
  bench.passUntil([] { return false; }, 1000); // the last treatments arrive
  std::printf("three chiefs walking for %.0f s, 20 movement reports per chief and second%s:\n", seconds,
              talking ? ", the captain talking, the medic treating once a second" : "");
  for (auto &chief : bench.chiefs) {
    const std::uint16_t port = chief->link.netInterface->getBoundAddress().port;
    std::printf(
        "  link of %-7s: to the chief %.0f B/s, from the chief %.0f B/s (limit 2500 B/s of payload)\n",
        chief->roleName.c_str(), double(bytesTo[port]) / seconds, double(bytesFrom[port]) / seconds);
  }
  std::size_t received = 0;
  for (auto &chief : bench.chiefs)
    for (const auto &[role, list] : chief->scene.arrivals)
      received += list.size();
  std::printf(
      "  facilitator's send queue per link: mean %.1f, max %zu events; chiefs' max %zu; relayed reports "
      "received %zu of %.0f\n",
      samples ? queueSum / samples : 0.0, maxServerQueue, maxChiefQueue, received, seconds * 20 * 3 * 2);
  std::printf("  facilitator's largest queue in each 10 s:");
  for (std::size_t most : windowMax)
    std::printf(" %zu", most);
  std::printf("\n");
  if (talking) {
    const std::vector<double> toServer = treatmentLatencies(treatmentsSent, bench.server->scene.treatments);
    const std::vector<double> toFireman =
        treatmentLatencies(treatmentsSent, bench.chiefs[ROLE_FIREMAN]->scene.treatments);
    std::printf("  voice payload %.0f B/s; treatment latency to the facilitator (%zu of %zu): p50 %.2f ms, "
                "p99 %.2f ms; relayed to the fireman (%zu): p50 %.2f ms, p99 %.2f ms\n",
                double(voiceBytes) / seconds, toServer.size(), treatmentsSent.size(),
                percentile(toServer, 0.5), percentile(toServer, 0.99), toFireman.size(),
                percentile(toFireman, 0.5), percentile(toFireman, 0.99));
  }
  bench.server->link.netInterface->setSendFilter(nullptr);
  for (auto &chief : bench.chiefs)
    chief->link.netInterface->setSendFilter(nullptr);
  bench.leaveAll();
}

} // namespace

int main() {
  Bench bench;
  handshake(bench);
  latency(bench, 20, 300, "steady traffic (one every 20 ms)");
  latency(bench, 0, 20, "posted on an idle link (one per second)");
  threeWalk(bench, 60, false);
  threeWalk(bench, 60, true);
  return 0;
}
