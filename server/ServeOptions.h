#pragma once
// Command line of oxqr-serve.
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace oxqr::serve {

class EServeUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TServeOptions {
  bool Help = false;
  std::string Reports;                 // --reports DIR
  std::string Database;                // --db URI
  std::string Host = "127.0.0.1";      // --listen HOST:PORT
  int Port = 8080;
  int Workers = 0;                     // --workers N; 0: the number of cores
  std::string Tokens;                  // --tokens FILE
  bool InsecurePublic = false;         // --insecure-public
  std::chrono::seconds Timeout{60};    // --timeout: one render
  std::chrono::seconds HeaderTime{10}; // --header-timeout
  std::chrono::seconds IdleTime{5};    // --idle-timeout: keep-alive connections
  std::chrono::seconds Grace{30};      // --grace: SIGTERM's wait for the renders taken
  std::size_t MaxBody = 10u << 20;     // --max-body BYTES
  std::size_t MaxOutput = 256u << 20;  // --max-output BYTES
  int QueueLimit = 64;                 // --queue N
  int Connections = 1024;              // --connections N: connection threads
  bool LogParameters = false;          // --log-parameters
  // A worker process (started by the service itself).
  int WorkerFd = -1;                   // --worker-fd
  std::string Scratch;                 // --scratch DIR
};

extern const char* const ServeHelpText;

// Throws EServeUsage for anything malformed.
TServeOptions ParseServeOptions(const std::vector<std::string>& args);

// Whether `host` is a loopback address (127.0.0.0/8, ::1, localhost).
bool IsLoopback(const std::string& host);

}  // namespace oxqr::serve
