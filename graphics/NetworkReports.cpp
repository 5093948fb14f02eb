#include "graphics/NetworkReports.h"

NetworkReports *networkReports = nullptr;
