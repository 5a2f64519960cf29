#pragma once
// A worker process of the service: Qt, the fonts and the export library are loaded once, then
// it renders one request after another, read from its socket, with the exporter's own code.
// A request is a message whose head names the definition file, the format, the parameters
// and the settings, and whose body is the request's "data" object (JSON); the answer is a
// message whose head holds the HTTP status and the media type (or a problem) and whose body
// is the file.
#include <string>

namespace oxqr::serve {

struct TWorkerConfig {
  int Fd = -1;               // the socket to the service
  std::string Database;      // --db of the service; empty: what each definition names
  std::string ReportsDir;    // never shown in messages
};

// Runs until the service closes the socket; returns the process's exit status.
int RunWorker(const TWorkerConfig& config);

}  // namespace oxqr::serve
