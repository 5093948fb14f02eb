// Events and the connection that carries them.
//
// A NetEvent is one message with a delivery class:
//   GuaranteedOrdered  delivered once, processed in sending order among the
//                      ordered events of the connection
//   Guaranteed         delivered once, processed on arrival
//   Unguaranteed       sent once, never resent, processed on arrival
// and a direction that the receiver checks against the connection's
// to-server / to-client flags. Posting only queues; events leave with the
// next data packet (at most one per send period).
#pragma once

#include "datachunker.h"
#include "netconnection.h"

namespace TNL {

class EventConnection;

class NetEvent : public Object {
public:
  enum GuaranteeType {
    GuaranteedOrdered = 0,
    Guaranteed = 1,
    Unguaranteed = 2,
  };
  enum EventDirection {
    DirUnset = 0,
    DirAny = 1,
    DirServerToClient = 2,
    DirClientToServer = 3,
  };

  explicit NetEvent(GuaranteeType type = GuaranteedOrdered, EventDirection direction = DirAny)
      : mGuaranteeType(type), mEventDirection(direction) {}

  virtual NetClassRep *getClassRep() const = 0;
  virtual void pack(EventConnection *connection, BitStream *stream) = 0;
  virtual void unpack(EventConnection *connection, BitStream *stream) = 0;
  virtual void process(EventConnection *connection) = 0;
  virtual void notifyPosted(EventConnection *) {}
  virtual void notifySent(EventConnection *) {}
  virtual void notifyDelivered(EventConnection *, bool /*madeIt*/) {}
  virtual const char *getDebugName() const { return getClassRep()->getClassName(); }
  // Why the event must not be sent (an argument over its limit), or nullptr.
  virtual const char *checkSendable() const { return nullptr; }

  GuaranteeType getGuaranteeType() const { return mGuaranteeType; }
  EventDirection getEventDirection() const { return mEventDirection; }

private:
  GuaranteeType mGuaranteeType;
  EventDirection mEventDirection;
};

// One queued or sent event; taken from the connection's chunk allocator.
struct EventNote {
  RefPtr<NetEvent> event;
  uint32_t sequence = 0; // ordered events only
  EventNote *next = nullptr;
};

class EventConnection : public NetConnection {
  friend struct TestAccess;

public:
  // Ordered events travel only while at most this far past the last one
  // known delivered; the 7-bit sequence on the wire relies on it.
  static constexpr uint32_t OrderedEventWindow = 126;
  // Bits kept free at the end of a data packet after the last event.
  static constexpr uint32_t PacketReserveBits = 128;

  EventConnection() = default;
  ~EventConnection() override;

  // Queues the event; false (and the event is released) when it can never
  // be sent on this connection: a class outside the connection's group or
  // beyond its settled class count, an argument over its limit, or a packed
  // size that does not fit an empty data packet.
  bool postEvent(NetEvent *event);

  uint32_t getEventClassCount() const { return mEventClassCount; }
  uint32_t getEventClassBitSize() const { return mEventClassBitSize; }
  // Events waiting to be sent or resent.
  size_t getQueuedEventCount() const;

protected:
  void writeConnectRequest(BitStream &stream) override;
  bool readConnectRequest(BitStream &stream, std::string &reason) override;
  void writeConnectAccept(BitStream &stream) override;
  bool readConnectAccept(BitStream &stream, std::string &reason) override;

  bool isDataToTransmit() override;
  void writePacket(BitStream &stream, PacketNote &note) override;
  void readPacket(BitStream &stream) override;
  void packetDropped(PacketNote &note) override;
  void packetReceived(PacketNote &note) override;
  void onConnectionEstablished() override;

private:
  void dropUnreadableEvents();
  void setEventClassCount(uint32_t count);
  bool fitsEmptyPacket(NetEvent *event);
  bool isPacketFull(const BitStream &stream) const;
  // Writes one event; false (nothing written) when it did not fit.
  bool writeEvent(BitStream &stream, NetEvent *event, bool ordered, bool consecutive, uint32_t sequence);
  bool directionAllowed(NetEvent::EventDirection direction) const;
  void insertOrdered(EventNote *&head, EventNote *note);
  void appendUnordered(EventNote *note);
  void releaseNote(EventNote *note, bool delivered);
  void releaseList(EventNote *head);
  void processWaitingEvents();

  ClassChunker<EventNote> mNoteChunker;
  EventNote *mUnorderedHead = nullptr; // guaranteed and unguaranteed, to send
  EventNote *mUnorderedTail = nullptr;
  EventNote *mOrderedHead = nullptr;   // to send, sorted by sequence
  EventNote *mWaitingHead = nullptr;   // received ordered events, sorted by sequence
  EventNote *mDeliveredHead = nullptr; // delivered ordered events not yet in order

  uint32_t mNextSendEventSeq = 0;
  uint32_t mLastAckedEventSeq = uint32_t(-1);
  uint32_t mNextRecvEventSeq = 0;
  uint32_t mEventClassCount = 0;
  uint32_t mEventClassBitSize = 0;
};

} // namespace TNL

// In the class body of an event class.
#define TNL_DECLARE_NETEVENT(className)                                                                      \
public:                                                                                                      \
  static TNL::NetClassRepInstance<className> dynClassRep;                                                    \
  TNL::NetClassRep *getClassRep() const override {                                                           \
    return &dynClassRep;                                                                                     \
  }

// In one source file.
#define TNL_IMPLEMENT_NETEVENT(className, groupMask, version)                                                \
  TNL::NetClassRepInstance<className> className::dynClassRep(#className, groupMask, TNL::NetClassTypeEvent,  \
                                                             version)
