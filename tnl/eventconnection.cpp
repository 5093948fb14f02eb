// Events in a data packet (after the connection packet header):
//
//   unordered phase, repeated:  1 | class id (width bits) | event data
//   end of unordered phase:     0
//   ordered phase, repeated:    1 | c | [sequence mod 128 (7), when c = 0]
//                                 | class id (width bits) | event data
//                               c = 1: sequence = previous one in this
//                               packet + 1 (never for the first)
//   end of events:              0
//
// The class id width is log2 of the next power of two at or above the event
// class count settled in the handshake. An event that would leave fewer
// than 128 bits of the 1500-byte packet is taken back out (position and
// remembered string) and waits for the next packet.
#include "eventconnection.h"

#include "log.h"
#include "tnlbitstream.h"

namespace TNL {

EventConnection::~EventConnection() {
  releaseList(mUnorderedHead);
  releaseList(mOrderedHead);
  releaseList(mWaitingHead);
  releaseList(mDeliveredHead);
  for (PacketNote &note : getPacketNotes()) {
    releaseList(note.events);
    note.events = nullptr;
  }
}

void EventConnection::releaseList(EventNote *head) {
  while (head) {
    EventNote *next = head->next;
    mNoteChunker.free(head);
    head = next;
  }
}

size_t EventConnection::getQueuedEventCount() const {
  size_t count = 0;
  for (EventNote *note = mUnorderedHead; note; note = note->next)
    ++count;
  for (EventNote *note = mOrderedHead; note; note = note->next)
    ++count;
  return count;
}

void EventConnection::setEventClassCount(uint32_t count) {
  mEventClassCount = count;
  mEventClassBitSize = bitsForCount(count);
}

// ---- handshake class data: the event class count (32 bits) -----------------

void EventConnection::writeConnectRequest(BitStream &stream) {
  NetConnection::writeConnectRequest(stream);
  stream.write(NetClassRep::getNetClassCount(getNetClassGroup(), NetClassTypeEvent));
}

bool EventConnection::readConnectRequest(BitStream &stream, std::string &reason) {
  if (!NetConnection::readConnectRequest(stream, reason))
    return false;
  uint32_t peerCount = stream.readInt(32);
  if (!stream.isValid()) {
    reason.clear();
    return false;
  }
  uint32_t ownCount = NetClassRep::getNetClassCount(getNetClassGroup(), NetClassTypeEvent);
  setEventClassCount(peerCount < ownCount ? peerCount : ownCount);
  return true;
}

void EventConnection::writeConnectAccept(BitStream &stream) {
  NetConnection::writeConnectAccept(stream);
  stream.write(mEventClassCount);
}

bool EventConnection::readConnectAccept(BitStream &stream, std::string &reason) {
  if (!NetConnection::readConnectAccept(stream, reason))
    return false;
  uint32_t settled = stream.readInt(32);
  if (!stream.isValid() || settled > NetClassRep::getNetClassCount(getNetClassGroup(), NetClassTypeEvent)) {
    reason.clear();
    return false;
  }
  setEventClassCount(settled);
  return true;
}

void EventConnection::onConnectionEstablished() {
  NetConnection::onConnectionEstablished();
  dropUnreadableEvents();
}

// Events posted before the class count was settled whose class the peer
// does not know are dropped; ordered ones are renumbered so the peer sees no
// gap (nothing has been sent yet).
void EventConnection::dropUnreadableEvents() {
  const NetClassGroup group = getNetClassGroup();
  EventNote **place = &mUnorderedHead;
  mUnorderedTail = nullptr;
  while (*place) {
    EventNote *note = *place;
    if (note->event->getClassRep()->getClassId(group) >= mEventClassCount) {
      *place = note->next;
      releaseNote(note, false);
    } else {
      mUnorderedTail = note;
      place = &note->next;
    }
  }
  uint32_t sequence = 0;
  place = &mOrderedHead;
  while (*place) {
    EventNote *note = *place;
    if (note->event->getClassRep()->getClassId(group) >= mEventClassCount) {
      *place = note->next;
      releaseNote(note, false);
    } else {
      note->sequence = sequence++;
      place = &note->next;
    }
  }
  mNextSendEventSeq = sequence;
}

// ---- posting ------------------------------------------------------------------

bool EventConnection::fitsEmptyPacket(NetEvent *event) {
  const uint32_t idBits = NetClassRep::getNetClassBitSize(getNetClassGroup(), NetClassTypeEvent);
  const size_t framingBits = 1 + 1 + 1 + 7 + idBits + 1;
  const size_t limit = PacketStream::MaxPacketSize * 8 - MaxPacketHeaderBits - MaxRateInfoBits -
                       PacketReserveBits - framingBits;
  PacketStream scratch;
  event->pack(this, &scratch);
  return scratch.isValid() && scratch.getBitPosition() <= limit;
}

bool EventConnection::postEvent(NetEvent *event) {
  RefPtr<NetEvent> hold(event);
  if (!event)
    return false;
  NetClassRep *rep = event->getClassRep();
  if (rep->getClassType() != NetClassTypeEvent || !rep->isInGroup(getNetClassGroup())) {
    logprintf("EventConnection %s: refused %s - not an event of this connection's group",
              getNetAddressString(), event->getDebugName());
    return false;
  }
  NetClassRep::initialize();
  if (isEstablished() && rep->getClassId(getNetClassGroup()) >= mEventClassCount)
    return false;
  if (const char *why = event->checkSendable()) {
    logprintf("EventConnection %s: refused %s - %s", getNetAddressString(), event->getDebugName(), why);
    return false;
  }
  if (!fitsEmptyPacket(event)) {
    logprintf("EventConnection %s: refused %s - larger than an empty packet", getNetAddressString(),
              event->getDebugName());
    return false;
  }

  event->notifyPosted(this);
  EventNote *note = mNoteChunker.alloc();
  note->event = event;
  if (event->getGuaranteeType() == NetEvent::GuaranteedOrdered) {
    note->sequence = mNextSendEventSeq++;
    EventNote **tail = &mOrderedHead;
    while (*tail)
      tail = &(*tail)->next;
    *tail = note;
  } else {
    appendUnordered(note);
  }
  return true;
}

void EventConnection::appendUnordered(EventNote *note) {
  note->next = nullptr;
  if (mUnorderedTail)
    mUnorderedTail->next = note;
  else
    mUnorderedHead = note;
  mUnorderedTail = note;
}

void EventConnection::insertOrdered(EventNote *&head, EventNote *note) {
  EventNote **place = &head;
  while (*place && !seqGreater((*place)->sequence, note->sequence))
    place = &(*place)->next;
  note->next = *place;
  *place = note;
}

void EventConnection::releaseNote(EventNote *note, bool delivered) {
  note->event->notifyDelivered(this, delivered);
  mNoteChunker.free(note);
}

// ---- writing and reading: side by side -----------------------------------------

bool EventConnection::isDataToTransmit() {
  return mUnorderedHead || mOrderedHead;
}

bool EventConnection::isPacketFull(const BitStream &stream) const {
  return stream.getBytePosition() > getPacketSize();
}

bool EventConnection::writeEvent(BitStream &stream, NetEvent *event, bool ordered, bool consecutive,
                                 uint32_t sequence) {
  BitStream::Mark before = stream.mark();
  stream.writeFlag(true);
  if (ordered && !stream.writeFlag(consecutive))
    stream.writeInt(sequence & 127, 7);
  stream.writeInt(event->getClassRep()->getClassId(getNetClassGroup()), mEventClassBitSize);
  size_t start = stream.getBitPosition();
  event->pack(this, &stream);
  if (!stream.isValid() || stream.getBitsLeft() < PacketReserveBits) {
    stream.rewind(before);
    return false;
  }
  logprintfChannel("LogEventConnection", "EventConnection %s: WroteEvent %s - %d bits", getNetAddressString(),
                   event->getDebugName(), int(stream.getBitPosition() - start));
  return true;
}

void EventConnection::writePacket(BitStream &stream, PacketNote &note) {
  EventNote **sentTail = &note.events;
  while (*sentTail)
    sentTail = &(*sentTail)->next;

  while (mUnorderedHead && !isPacketFull(stream)) {
    EventNote *head = mUnorderedHead;
    if (head->event->getClassRep()->getClassId(getNetClassGroup()) >= mEventClassCount) {
      mUnorderedHead = head->next;
      releaseNote(head, false); // queued before the count was settled; the peer cannot read it
      continue;
    }
    if (!writeEvent(stream, head->event, false, false, 0))
      break;
    mUnorderedHead = head->next;
    head->next = nullptr;
    *sentTail = head;
    sentTail = &head->next;
    head->event->notifySent(this);
  }
  if (!mUnorderedHead)
    mUnorderedTail = nullptr;
  stream.writeFlag(false);

  bool first = true;
  uint32_t previous = 0;
  while (mOrderedHead && !isPacketFull(stream) &&
         !seqGreater(mOrderedHead->sequence, mLastAckedEventSeq + OrderedEventWindow)) {
    EventNote *head = mOrderedHead;
    assert(head->event->getClassRep()->getClassId(getNetClassGroup()) < mEventClassCount);
    bool consecutive = !first && head->sequence == previous + 1;
    if (!writeEvent(stream, head->event, true, consecutive, head->sequence))
      break;
    first = false;
    previous = head->sequence;
    mOrderedHead = head->next;
    head->next = nullptr;
    *sentTail = head;
    sentTail = &head->next;
    head->event->notifySent(this);
  }
  stream.writeFlag(false);
}

bool EventConnection::directionAllowed(NetEvent::EventDirection direction) const {
  if (direction == NetEvent::DirUnset)
    return false;
  if (direction == NetEvent::DirServerToClient && isConnectionToClient())
    return false;
  if (direction == NetEvent::DirClientToServer && isConnectionToServer())
    return false;
  return true;
}

void EventConnection::readPacket(BitStream &stream) {
  bool orderedPhase = false;
  uint32_t previous = uint32_t(-2); // so a leading "consecutive" bit means 127
  for (;;) {
    bool more = stream.readFlag();
    if (!stream.isValid())
      break;
    if (!more) {
      if (orderedPhase)
        break;
      orderedPhase = true;
      continue;
    }
    uint32_t sequence = 0;
    if (orderedPhase) {
      sequence = stream.readFlag() ? (previous + 1) & 127 : stream.readInt(7);
      previous = sequence;
    }
    uint32_t classId = stream.readInt(mEventClassBitSize);
    if (!stream.isValid())
      break;
    if (classId >= mEventClassCount) {
      setLastError("Invalid packet.");
      return;
    }
    RefPtr<NetEvent> event =
        dynamic_cast<NetEvent *>(NetClassRep::create(getNetClassGroup(), NetClassTypeEvent, classId));
    if (!event) {
      setLastError("Invalid packet.");
      return;
    }
    if (!directionAllowed(event->getEventDirection())) {
      setLastError("Invalid Packet.");
      return;
    }
    event->unpack(this, &stream);
    if (!stream.isValid())
      break;
    if (!orderedPhase) {
      event->process(this);
      if (!isEstablished())
        return;
      continue;
    }
    uint32_t full = (mNextRecvEventSeq & ~127u) | sequence;
    if (seqLess(full, mNextRecvEventSeq))
      full += 128;
    EventNote **place = &mWaitingHead;
    while (*place && seqLess((*place)->sequence, full))
      place = &(*place)->next;
    if (*place && (*place)->sequence == full)
      continue; // a second copy of an event already waiting
    EventNote *note = mNoteChunker.alloc();
    note->event = event;
    note->sequence = full;
    note->next = *place;
    *place = note;
    logprintfChannel("LogEventConnection", "EventConnection %s: RecvdGuaranteed %d", getNetAddressString(),
                     int(full));
  }
  if (!stream.isValid()) {
    setLastError("Invalid Packet.");
    return;
  }
  processWaitingEvents();
}

void EventConnection::processWaitingEvents() {
  while (mWaitingHead && mWaitingHead->sequence == mNextRecvEventSeq && isEstablished()) {
    EventNote *note = mWaitingHead;
    mWaitingHead = note->next;
    ++mNextRecvEventSeq;
    logprintfChannel("LogEventConnection", "EventConnection %s: ProcessGuaranteed %d", getNetAddressString(),
                     int(note->sequence));
    RefPtr<NetEvent> event = note->event;
    mNoteChunker.free(note);
    event->process(this);
  }
}

// ---- packet fate -----------------------------------------------------------------

void EventConnection::packetDropped(PacketNote &packet) {
  EventNote *note = packet.events;
  packet.events = nullptr;
  while (note) {
    EventNote *next = note->next;
    switch (note->event->getGuaranteeType()) {
    case NetEvent::GuaranteedOrdered:
      logprintfChannel("LogEventConnection", "EventConnection %s: DroppedGuaranteed - %d",
                       getNetAddressString(), int(note->sequence));
      insertOrdered(mOrderedHead, note);
      break;
    case NetEvent::Guaranteed:
      note->next = mUnorderedHead;
      mUnorderedHead = note;
      if (!mUnorderedTail)
        mUnorderedTail = note;
      break;
    case NetEvent::Unguaranteed:
      releaseNote(note, false);
      break;
    }
    note = next;
  }
}

void EventConnection::packetReceived(PacketNote &packet) {
  EventNote *note = packet.events;
  packet.events = nullptr;
  while (note) {
    EventNote *next = note->next;
    if (note->event->getGuaranteeType() == NetEvent::GuaranteedOrdered)
      insertOrdered(mDeliveredHead, note);
    else
      releaseNote(note, true);
    note = next;
  }
  while (mDeliveredHead && mDeliveredHead->sequence == mLastAckedEventSeq + 1) {
    EventNote *head = mDeliveredHead;
    mDeliveredHead = head->next;
    ++mLastAckedEventSeq;
    logprintfChannel("LogEventConnection", "EventConnection %s: NotifyDelivered - %d", getNetAddressString(),
                     int(head->sequence));
    releaseNote(head, true);
  }
}

} // namespace TNL
