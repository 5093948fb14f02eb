// Reference-counted base of every transport object, the counted pointer that
// holds one reference to it, the counted string, and the class registry that
// numbers event classes and creates connections by name.
//
// Registry: every NetClassRep adds itself to a singly linked list during
// static initialisation. NetClassRep::initialize() (run by the first
// NetInterface) sorts, per group and type, the classes by version, then name,
// and numbers them; every station links the same classes, so ids agree.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace TNL {

// Defined only by tests and fuzz targets that set up or feed connections
// directly; the transport's classes make it a friend.
struct TestAccess;

class Object {
public:
  Object() = default;
  Object(const Object &) : mRefCount(0) {}
  Object &operator=(const Object &) { return *this; }
  virtual ~Object() = default;

  void incRef() const { ++mRefCount; }
  // Destroys the object when the last reference goes.
  void decRef() const {
    assert(mRefCount > 0 && "released an object with no references");
    if (--mRefCount == 0)
      delete this;
  }
  uint32_t getRefCount() const { return mRefCount; }

private:
  mutable uint32_t mRefCount = 0;
};

template <class T> class RefPtr {
public:
  RefPtr() = default;
  RefPtr(T *object) : mObject(object) { acquire(); }
  RefPtr(const RefPtr &other) : mObject(other.mObject) { acquire(); }
  RefPtr(RefPtr &&other) noexcept : mObject(other.mObject) { other.mObject = nullptr; }
  template <class U> RefPtr(const RefPtr<U> &other) : mObject(other.getPointer()) { acquire(); }
  ~RefPtr() { release(); }

  RefPtr &operator=(const RefPtr &other) { return assign(other.mObject); }
  RefPtr &operator=(T *object) { return assign(object); }
  RefPtr &operator=(RefPtr &&other) noexcept {
    if (this != &other) {
      release();
      mObject = std::exchange(other.mObject, nullptr);
    }
    return *this;
  }

  T *getPointer() const { return mObject; }
  T *operator->() const { return mObject; }
  T &operator*() const { return *mObject; }
  operator T *() const { return mObject; }
  bool isNull() const { return mObject == nullptr; }
  bool isValid() const { return mObject != nullptr; }

private:
  RefPtr &assign(T *object) {
    if (object != mObject) {
      T *old = mObject;
      mObject = object;
      acquire();
      if (old)
        old->decRef();
    }
    return *this;
  }
  void acquire() {
    if (mObject)
      mObject->incRef();
  }
  void release() {
    if (mObject)
      mObject->decRef();
    mObject = nullptr;
  }

  T *mObject = nullptr;
};

// A shared, immutable byte string. A null StringPtr reads as "". Strings are
// byte strings: a NUL or a byte above 0x7F is part of the text.
class StringPtr {
public:
  StringPtr() = default;
  StringPtr(const char *text) {
    if (text)
      mData = new Data(std::string(text));
  }
  StringPtr(const char *bytes, size_t length) : mData(new Data(std::string(bytes, length))) {}
  StringPtr(const std::string &text) : mData(new Data(text)) {}

  const char *getString() const { return mData ? mData->text.c_str() : ""; }
  const std::string &str() const;
  size_t length() const { return mData ? mData->text.size() : 0; }
  bool isNull() const { return mData.isNull(); }
  operator const char *() const { return getString(); }

  bool operator==(const StringPtr &other) const { return str() == other.str(); }
  bool operator!=(const StringPtr &other) const { return !(*this == other); }

private:
  struct Data : Object {
    explicit Data(std::string t) : text(std::move(t)) {}
    std::string text;
  };
  RefPtr<Data> mData;
};

enum NetClassGroup {
  NetClassGroupGame = 0,
  NetClassGroupCommunity,
  NetClassGroupMaster,
  NetClassGroupUnused2,
  NetClassGroupsCount,
  NetClassGroupInvalid = NetClassGroupsCount,
};

enum NetClassMask : uint32_t {
  NetClassGroupGameMask = 1u << NetClassGroupGame,
  NetClassGroupCommunityMask = 1u << NetClassGroupCommunity,
  NetClassGroupMasterMask = 1u << NetClassGroupMaster,
  NetClassGroupAllMask = (1u << NetClassGroupsCount) - 1,
};

enum NetClassType {
  NetClassTypeNone = -1, // connection classes: registered, never numbered
  NetClassTypeObject = 0,
  NetClassTypeDataBlock,
  NetClassTypeEvent,
  NetClassTypeCount,
};

class NetClassRep {
public:
  NetClassRep(const char *className, uint32_t groupMask, NetClassType type, int32_t version);
  NetClassRep(const NetClassRep &) = delete;
  NetClassRep &operator=(const NetClassRep &) = delete;
  virtual ~NetClassRep() = default;

  const char *getClassName() const { return mClassName; }
  uint32_t getClassGroupMask() const { return mClassGroupMask; }
  NetClassType getClassType() const { return mClassType; }
  int32_t getClassVersion() const { return mClassVersion; }
  bool isInGroup(NetClassGroup group) const { return (mClassGroupMask & (1u << group)) != 0; }
  // Valid after initialize(), for a group the class belongs to.
  uint32_t getClassId(NetClassGroup group) const { return mClassId[group]; }

  virtual Object *create() const = 0;

  // Numbers the classes; later calls do nothing.
  static void initialize();
  static bool isInitialized() { return mInitialized; }
  static uint32_t getNetClassCount(NetClassGroup group, NetClassType type);
  // log2 of the smallest power of two at or above count + 1.
  static uint32_t getNetClassBitSize(NetClassGroup group, NetClassType type);
  static NetClassRep *findClassRep(NetClassGroup group, NetClassType type, uint32_t id);
  // nullptr when the id is out of range.
  static Object *create(NetClassGroup group, NetClassType type, uint32_t id);
  // The check value the handshake compares for a group.
  static uint32_t getClassGroupCRC(NetClassGroup) { return 0xFFFFFFFFu; }
  static NetClassRep *getClassList() { return mClassLinkList; }
  NetClassRep *getNextClass() const { return mNextClass; }

private:
  static void logClassTable();

  const char *mClassName;
  uint32_t mClassGroupMask;
  NetClassType mClassType;
  int32_t mClassVersion;
  uint32_t mClassId[NetClassGroupsCount] = {};
  NetClassRep *mNextClass;

  // Constant-initialised, so registrations in any unit's static
  // initialisation find it ready.
  static NetClassRep *mClassLinkList;
  static bool mInitialized;
};

template <class T> class NetClassRepInstance : public NetClassRep {
public:
  NetClassRepInstance(const char *className, uint32_t groupMask, NetClassType type, int32_t version)
      : NetClassRep(className, groupMask, type, version) {}
  Object *create() const override { return new T; }
};

// log2 of the smallest power of two at or above value (0 for 0 and 1).
uint32_t bitsForCount(uint32_t value);

} // namespace TNL
