// A connection class with a representative set of RPCs for the transport's
// tests, and a variant that writes hand-made packet bodies.
#pragma once

#include "tnl/rpc.h"

#include <string>
#include <vector>

struct ReceivedValues {
  uint32_t u = 0;
  int32_t s = 0;
  double d = 0;
  TNL::StringPtr text;
  TNL::RefPtr<TNL::ByteBuffer> bytes;
  bool flag = false;
};

class TestConnection : public TNL::EventConnection {
  TNL_DECLARE_NETCONNECTION(TestConnection);

public:
  TestConnection();

  TNL_DECLARE_RPC(c2sOrdered, (uint32_t index));
  TNL_DECLARE_RPC(s2cOrdered, (uint32_t index));
  TNL_DECLARE_RPC(c2sGuaranteed, (uint32_t index));
  TNL_DECLARE_RPC(c2sUnguaranteed, (uint32_t index));
  TNL_DECLARE_RPC(c2sAllTypes, (uint32_t u, int32_t s, double d, TNL::StringPtr text,
                                TNL::RefPtr<TNL::ByteBuffer> bytes, bool flag));
  TNL_DECLARE_RPC(c2sName, (TNL::StringPtr name));
  TNL_DECLARE_RPC(c2sGuaranteedName, (TNL::StringPtr name));
  TNL_DECLARE_RPC(c2sBig, (TNL::StringPtr name, TNL::RefPtr<TNL::ByteBuffer> first,
                           TNL::RefPtr<TNL::ByteBuffer> second));

  void onEstablished() override;
  void onTerminated(TerminationReason reason, const char *text) override;
  void onConnectFailed(TerminationReason reason, const char *text) override;

  std::vector<uint32_t> ordered;
  std::vector<uint32_t> guaranteed;
  std::vector<uint32_t> unguaranteed;
  std::vector<ReceivedValues> values;
  std::vector<std::string> names;
  int establishedCount = 0;
  int terminatedCount = 0;
  int failedCount = 0;
  TerminationReason lastReason = ReasonTimedOut;
  std::string lastReasonText;
  uint32_t terminatedAt = 0;

  // Connections made by either end, for tests that look at the server's.
  static int sInstances;
  // When set, every new connection starts its packet sequence here.
  static bool sUseInitialSequence;
  static uint32_t sInitialSequence;
};

// Writes one hand-made packet body when armed; otherwise a TestConnection.
class CraftingConnection : public TestConnection {
  TNL_DECLARE_NETCONNECTION(CraftingConnection);

public:
  enum Craft {
    Nothing,
    ClassIdOutOfRange,
    WrongDirection,
    TruncatedArguments,
    DuplicateOrderedEvents,
  };
  void arm(Craft craft) { mCraft = craft; }

protected:
  bool isDataToTransmit() override;
  void writePacket(TNL::BitStream &stream, PacketNote &note) override;

private:
  void writeCraftedEvent(TNL::BitStream &stream, TNL::NetEvent *event, bool ordered, uint32_t sequence);
  Craft mCraft = Nothing;
};
