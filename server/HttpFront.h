#pragma once
// The HTTP front of the service: it parses, authorises and queues; the workers render. Routes:
// the API (/api/reports, render by POST or GET), the page for people (/), the operators'
// endpoints (/healthz, /readyz, /metrics) and the API's description (/openapi.yaml).
#include <memory>
#include <optional>
#include <string>

#include "server/Catalogue.h"
#include "server/ConnectionWatch.h"
#include "server/Metrics.h"
#include "server/ServeOptions.h"
#include "server/Tokens.h"
#include "server/WorkerPool.h"

namespace httplib {
class Server;
}

namespace oxqr::serve {

class THttpFront {
 public:
  THttpFront(const TServeOptions& options, const TCatalogue& catalogue, TWorkerPool& pool,
             std::optional<TTokens> tokens);
  ~THttpFront();
  THttpFront(const THttpFront&) = delete;
  THttpFront& operator=(const THttpFront&) = delete;

  // Binds the listening socket; returns the port (the free one chosen for port 0).
  int Bind();
  // Serves until Stop; returns when the requests taken are answered.
  void Serve();
  // Stops accepting connections (safe from another thread).
  void Stop();

 private:
  class TRoutes;
  const TServeOptions& options_;
  std::unique_ptr<httplib::Server> server_;
  std::unique_ptr<TConnectionWatch> watch_;
  std::unique_ptr<TRoutes> routes_;
};

}  // namespace oxqr::serve
