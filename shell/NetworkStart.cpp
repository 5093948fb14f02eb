#include "shell/NetworkStart.h"

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
  if (stationLink().start(serverAddress))
    networkReports = &reports;
}

void serviceNetwork() {
  stationLink().service();
}

void stopNetwork() {
  networkReports = nullptr;
  stationLink().shutDown();
}
