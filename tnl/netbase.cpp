#include "netbase.h"

#include "log.h"

#include <algorithm>
#include <cstring>

namespace TNL {

NetClassRep *NetClassRep::mClassLinkList = nullptr;
bool NetClassRep::mInitialized = false;

// Declared by the object-replication connection; referencing it keeps that
// unit (and its three RPC classes) in every program that links the
// transport, so all stations number the same classes.
void linkGhostConnectionClasses();

namespace {

std::vector<NetClassRep *> &classTable(NetClassGroup group, NetClassType type) {
  static std::vector<NetClassRep *> table[NetClassGroupsCount][NetClassTypeCount];
  return table[group][type];
}

bool validGroupAndType(NetClassGroup group, NetClassType type) {
  return group >= 0 && group < NetClassGroupsCount && type >= 0 && type < NetClassTypeCount;
}

bool comesBefore(const NetClassRep *a, const NetClassRep *b) {
  if (a->getClassVersion() != b->getClassVersion())
    return a->getClassVersion() < b->getClassVersion();
  return std::strcmp(a->getClassName(), b->getClassName()) < 0;
}

} // namespace

const std::string &StringPtr::str() const {
  static const std::string empty;
  return mData ? mData->text : empty;
}

uint32_t bitsForCount(uint32_t value) {
  uint32_t bits = 0;
  while (bits < 32 && (uint64_t(1) << bits) < value)
    ++bits;
  return bits;
}

NetClassRep::NetClassRep(const char *className, uint32_t groupMask, NetClassType type, int32_t version)
    : mClassName(className), mClassGroupMask(groupMask), mClassType(type), mClassVersion(version),
      mNextClass(mClassLinkList) {
  mClassLinkList = this;
}

void NetClassRep::initialize() {
  if (mInitialized)
    return;
  linkGhostConnectionClasses();
  for (int group = 0; group < NetClassGroupsCount; ++group) {
    for (int type = 0; type < NetClassTypeCount; ++type) {
      auto &table = classTable(NetClassGroup(group), NetClassType(type));
      table.clear();
      for (NetClassRep *rep = mClassLinkList; rep; rep = rep->mNextClass)
        if (rep->mClassType == type && rep->isInGroup(NetClassGroup(group)))
          table.push_back(rep);
      std::sort(table.begin(), table.end(), comesBefore);
      for (size_t id = 0; id < table.size(); ++id)
        table[id]->mClassId[group] = uint32_t(id);
    }
  }
  mInitialized = true;
  logClassTable();
}

void NetClassRep::logClassTable() {
  if (!isLogChannelEnabled("LogNetBase"))
    return;
  for (int group = 0; group < NetClassGroupsCount; ++group) {
    for (int type = 0; type < NetClassTypeCount; ++type) {
      const auto &table = classTable(NetClassGroup(group), NetClassType(type));
      if (table.empty())
        continue;
      logprintfChannel("LogNetBase", "Class Group: %d  Class Type: %d  count: %d", group, type,
                       int(table.size()));
      for (const NetClassRep *rep : table)
        logprintfChannel("LogNetBase", "%s", rep->getClassName());
    }
  }
}

uint32_t NetClassRep::getNetClassCount(NetClassGroup group, NetClassType type) {
  if (!validGroupAndType(group, type))
    return 0;
  initialize();
  return uint32_t(classTable(group, type).size());
}

uint32_t NetClassRep::getNetClassBitSize(NetClassGroup group, NetClassType type) {
  return bitsForCount(getNetClassCount(group, type) + 1);
}

NetClassRep *NetClassRep::findClassRep(NetClassGroup group, NetClassType type, uint32_t id) {
  if (!validGroupAndType(group, type))
    return nullptr;
  initialize();
  const auto &table = classTable(group, type);
  return id < table.size() ? table[id] : nullptr;
}

Object *NetClassRep::create(NetClassGroup group, NetClassType type, uint32_t id) {
  NetClassRep *rep = findClassRep(group, type, id);
  return rep ? rep->create() : nullptr;
}

} // namespace TNL
