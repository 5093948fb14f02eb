// Reference-counted base of every transport object and the counted pointer
// that holds one reference to it.
#pragma once

#include <cassert>
#include <cstdint>
#include <utility>

namespace TNL {

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

} // namespace TNL
