#include "shell/NetworkStart.h"

#include "audio/voicerecorder.h"
#include "graphics/NetworkReports.h"
#include "network/PresentationScene.h"
#include "network/StationLink.h"
#include "network/StationReports.h"
#include "shell/state/SimulationLog.h"
#include "shell/state/StationState.h"

namespace {
PresentationScene presentationScene;
} // namespace

StationLink &stationLink() {
  static StationLink link(isClient, clientRole, roleName, clientTable, presentationScene,
                          [](const std::string &line) { writeLog(line); });
  return link;
}

void startNetwork() {
  static StationReports reports(stationLink());
  if (!stationLink().start(serverAddress))
    return;
  networkReports = &reports;
  // The facilitator only listens; a chief's packets go out while its link lasts.
  voiceRecorder.setPacketSender(clientRole, [](std::uint32_t, const TNL::ByteBufferPtr &packet) {
    stationLink().sendVoice(packet);
  });
}

void serviceNetwork() {
  stationLink().service();
}

void stopNetwork() {
  networkReports = nullptr;
  voiceRecorder.clearPacketSender();
  stationLink().shutDown();
}
