// Remote procedure calls on connection classes.
//
// Each RPC is an event class named "RPC_" + connection class + "_" + method,
// with a fixed guarantee type and direction. Declaring one gives the
// connection class three members:
//   bool name(args)                      send: makes the event, posts it on
//                                        this connection; false when refused
//                                        (an argument over its limit)
//   virtual NetEvent *name_construct(args)  makes the event without sending
//                                        it (to post one event on several
//                                        connections)
//   virtual void name_remote(args)       the handler, run on the receiving
//                                        connection with the unpacked args
// Argument types: uint32_t, int32_t, double, bool, StringPtr (at most 255
// bytes), RefPtr<ByteBuffer> (at most 1023 bytes); they travel in
// declaration order with the encodings of the bit stream. A received null
// string arrives as "", a null buffer as an empty one. name_construct
// returns an event nobody holds yet: keep it in a RefPtr or post it. The
// handler is a normal member function body, so an argument it does not use
// needs a (void) like any other unused parameter.
//
// Example:
//
//   // shipconnection.h
//   class ShipConnection : public TNL::EventConnection {
//     TNL_DECLARE_NETCONNECTION(ShipConnection);
//   public:
//     TNL_DECLARE_RPC(c2sReport, (uint32_t role, TNL::StringPtr name, double x));
//   };
//
//   // shipconnection.cpp
//   TNL_IMPLEMENT_NETCONNECTION(ShipConnection, TNL::NetClassGroupGameMask, true);
//   TNL_IMPLEMENT_RPC(ShipConnection, c2sReport, (uint32_t role, TNL::StringPtr name, double x),
//                     (role, name, x), TNL::NetClassGroupGameMask, TNL::RPCGuaranteedOrdered,
//                     TNL::RPCDirClientToServer, 0) {
//     // runs on the server's ShipConnection to the sender
//     logprintf("%u %s %f", role, name.getString(), x);
//   }
//
//   // sending
//   connection->c2sReport(1, "clone_passenger3", 12.5);
//   // one event for several connections
//   TNL::RefPtr<TNL::NetEvent> event = connection->c2sReport_construct(1, "x", 0.0);
//   for (ShipConnection *each : others) each->postEvent(event);
#pragma once

#include "eventconnection.h"
#include "tnlbitstream.h"

#include <tuple>
#include <type_traits>

namespace TNL {

enum RPCGuaranteeType {
  RPCGuaranteedOrdered = NetEvent::GuaranteedOrdered,
  RPCGuaranteed = NetEvent::Guaranteed,
  RPCUnguaranteed = NetEvent::Unguaranteed,
};

enum RPCDirection {
  RPCDirAny = NetEvent::DirAny,
  RPCDirServerToClient = NetEvent::DirServerToClient,
  RPCDirClientToServer = NetEvent::DirClientToServer,
};

// Encoding of each argument type.
namespace RPCArgs {

inline void write(BitStream &stream, uint32_t value) {
  stream.write(value);
}
inline void write(BitStream &stream, int32_t value) {
  stream.write(value);
}
inline void write(BitStream &stream, double value) {
  stream.write(value);
}
inline void write(BitStream &stream, bool value) {
  stream.writeFlag(value);
}
inline void write(BitStream &stream, const StringPtr &value) {
  stream.writeString(value);
}
inline void write(BitStream &stream, const RefPtr<ByteBuffer> &value) {
  stream.writeByteBuffer(value);
}

inline void read(BitStream &stream, uint32_t *value) {
  stream.read(value);
}
inline void read(BitStream &stream, int32_t *value) {
  stream.read(value);
}
inline void read(BitStream &stream, double *value) {
  stream.read(value);
}
inline void read(BitStream &stream, bool *value) {
  *value = stream.readFlag();
}
inline void read(BitStream &stream, StringPtr *value) {
  *value = stream.readString();
}
inline void read(BitStream &stream, RefPtr<ByteBuffer> *value) {
  *value = stream.readByteBuffer();
}

// Why a value cannot be sent, or nullptr.
template <class T> const char *check(const T &) {
  return nullptr;
}
inline const char *check(const StringPtr &value) {
  return value.length() > BitStream::MaxStringLength ? "string argument longer than 255 characters" : nullptr;
}
inline const char *check(const RefPtr<ByteBuffer> &value) {
  return value && value->getBufferSize() > BitStream::MaxByteBufferSize
             ? "byte buffer argument longer than 1023 bytes"
             : nullptr;
}

template <class T> struct IsSupported : std::false_type {};
template <> struct IsSupported<uint32_t> : std::true_type {};
template <> struct IsSupported<int32_t> : std::true_type {};
template <> struct IsSupported<double> : std::true_type {};
template <> struct IsSupported<bool> : std::true_type {};
template <> struct IsSupported<StringPtr> : std::true_type {};
template <> struct IsSupported<RefPtr<ByteBuffer>> : std::true_type {};

} // namespace RPCArgs

// The argument pack of one RPC.
class Functor {
public:
  virtual ~Functor() = default;
  virtual void write(BitStream &stream) const = 0;
  virtual void read(BitStream &stream) = 0;
  virtual void dispatch(Object *target) = 0;
  virtual const char *checkLimits() const = 0;
};

template <class Method> class FunctorDecl;

template <class T, class... Args> class FunctorDecl<void (T::*)(Args...)> : public Functor {
public:
  using MethodPtr = void (T::*)(Args...);
  using Values = std::tuple<std::decay_t<Args>...>;
  static_assert((RPCArgs::IsSupported<std::decay_t<Args>>::value && ...),
                "RPC arguments are uint32_t, int32_t, double, bool, StringPtr or RefPtr<ByteBuffer>");

  explicit FunctorDecl(MethodPtr method) : mMethod(method) {}

  void set(Args... args) { mValues = Values(args...); }
  const Values &values() const { return mValues; }

  void write(BitStream &stream) const override {
    std::apply([&stream](const auto &...value) { (RPCArgs::write(stream, value), ...); }, mValues);
  }
  void read(BitStream &stream) override {
    std::apply([&stream](auto &...value) { (RPCArgs::read(stream, &value), ...); }, mValues);
  }
  void dispatch(Object *target) override {
    T *object = dynamic_cast<T *>(target);
    if (object)
      std::apply([this, object](auto &...value) { (object->*mMethod)(value...); }, mValues);
  }
  const char *checkLimits() const override {
    const char *problem = nullptr;
    std::apply(
        [&problem](const auto &...value) { ((problem = problem ? problem : RPCArgs::check(value)), ...); },
        mValues);
    return problem;
  }

private:
  MethodPtr mMethod;
  Values mValues;
};

// An event carrying one RPC's arguments. pack and unpack go through the
// argument pack; process calls the remote handler when the receiving
// connection is of the class the RPC was declared on.
class RPCEvent : public NetEvent {
public:
  RPCEvent(RPCGuaranteeType type, RPCDirection direction)
      : NetEvent(GuaranteeType(type), EventDirection(direction)) {}

  void pack(EventConnection *, BitStream *stream) override { mFunctor->write(*stream); }
  void unpack(EventConnection *, BitStream *stream) override { mFunctor->read(*stream); }
  void process(EventConnection *connection) override {
    if (checkClassType(connection))
      mFunctor->dispatch(connection);
  }
  const char *checkSendable() const override { return mFunctor->checkLimits(); }
  virtual bool checkClassType(Object *connection) const = 0;

protected:
  Functor *mFunctor = nullptr; // a member of the derived class
};

} // namespace TNL

// In the class body of a connection class; args is the parenthesised,
// named parameter list.
#define TNL_DECLARE_RPC(name, args)                                                                          \
  bool name args;                                                                                            \
  virtual TNL::NetEvent *name##_construct args;                                                              \
  virtual void name##_remote args

// In one source file, followed by the handler's body. argNames lists the
// parameter names of args in order.
#define TNL_IMPLEMENT_RPC(className, name, args, argNames, groupMask, guarantee, direction, version)         \
  class RPC_##className##_##name : public TNL::RPCEvent {                                                    \
  public:                                                                                                    \
    TNL::FunctorDecl<decltype(&className::name##_remote)> mArguments;                                        \
    RPC_##className##_##name()                                                                               \
        : TNL::RPCEvent(guarantee, direction), mArguments(&className::name##_remote) {                       \
      mFunctor = &mArguments;                                                                                \
    }                                                                                                        \
    bool checkClassType(TNL::Object *connection) const override {                                            \
      return dynamic_cast<className *>(connection) != nullptr;                                               \
    }                                                                                                        \
    TNL_DECLARE_NETEVENT(RPC_##className##_##name)                                                           \
  };                                                                                                         \
  TNL_IMPLEMENT_NETEVENT(RPC_##className##_##name, groupMask, version);                                      \
  TNL::NetEvent *className::name##_construct args {                                                          \
    RPC_##className##_##name *event = new RPC_##className##_##name;                                          \
    event->mArguments.set argNames;                                                                          \
    return event;                                                                                            \
  }                                                                                                          \
  bool className::name args {                                                                                \
    return postEvent(name##_construct argNames);                                                             \
  }                                                                                                          \
  void className::name##_remote args
