#pragma once
// What the presentation tells the network: the reports of GUI handlers, the
// frame listener's movement report and the voice packets. The network sits
// above the presentation, so the presentation owns this interface; the
// network layer implements it and the program installs one at network start.
// Until then (and on a station without a network) networkReports is null and
// nothing is reported.

class NetworkReports {
public:
  virtual ~NetworkReports() = default;
};

// Installed by the program; not owned. Null means: do not report.
extern NetworkReports *networkReports;
