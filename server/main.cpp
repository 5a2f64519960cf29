// oxqr-serve: renders the report definitions of a folder over HTTP (see ServeOptions.cpp for
// the command line). The same program is started again with --worker-fd as each render worker.
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <thread>

#include "server/Catalogue.h"
#include "server/HttpFront.h"
#include "server/RenderWorker.h"
#include "server/ServeOptions.h"

namespace fs = std::filesystem;
using namespace oxqr::serve;

namespace {

// The folder of the workers' scratch files, removed when the service ends.
class TScratchRoot {
 public:
  TScratchRoot() {
    std::string pattern = (fs::temp_directory_path() / "oxqr-serve-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a scratch folder in " + pattern);
    path_ = pattern;
  }
  ~TScratchRoot() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TScratchRoot(const TScratchRoot&) = delete;
  TScratchRoot& operator=(const TScratchRoot&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The workers' Qt draws without a display and wants a private runtime folder: one inside the
// scratch folder, removed with it, unless the environment names one.
void PrepareWorkerEnvironment(const std::string& scratch) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (std::getenv("XDG_RUNTIME_DIR")) return;
  const fs::path dir = fs::path(scratch) / "runtime";
  fs::create_directories(dir);
  fs::permissions(dir, fs::perms::owner_all);
  setenv("XDG_RUNTIME_DIR", dir.c_str(), 0);
}

int Serve(const TServeOptions& o) {
  std::optional<TTokens> tokens;
  if (!o.Tokens.empty()) tokens = TTokens::Read(o.Tokens);
  if (!tokens && !IsLoopback(o.Host) && !o.InsecurePublic)
    throw EServeUsage("without --tokens the service listens on a loopback address only; give --tokens FILE, or "
                      "--insecure-public behind a proxy that authenticates");
  const TCatalogue catalogue(o.Reports);
  const TScratchRoot scratch;
  PrepareWorkerEnvironment(scratch.Path());

  // SIGTERM and SIGINT are taken by one thread that stops the service; every other thread,
  // the workers' spawner included, blocks them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  TPoolConfig config;
  config.Workers = o.Workers > 0 ? o.Workers : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  config.QueueLimit = o.QueueLimit;
  config.Timeout = o.Timeout;
  config.MaxOutput = o.MaxOutput;
  config.ScratchDir = scratch.Path();
  config.WorkerCommand = {fs::read_symlink("/proc/self/exe").string(), "--reports", catalogue.Dir()};
  if (!o.Database.empty()) config.WorkerCommand.insert(config.WorkerCommand.end(), {"--db", o.Database});
  TWorkerPool pool(config);
  THttpFront front(o, catalogue, pool, std::move(tokens));
  const int port = front.Bind();
  std::cout << "oxqr-serve: listening on http://" << (o.Host.find(':') != std::string::npos ? "[" + o.Host + "]" : o.Host)
            << ":" << port << " with " << config.Workers << " workers, " << catalogue.Entries().size() << " reports"
            << std::endl;

  std::thread([&front, &pool, &o, stopSignals] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    std::cerr << R"({"event":"stopping","signal":)" << signal << "}" << std::endl;
    pool.StopTaking();
    front.Stop();
    // The renders taken have the grace period; then their workers are ended.
    if (!pool.WaitIdle(std::chrono::steady_clock::now() + o.Grace)) pool.EndAll();
  }).detach();
  front.Serve();
  pool.WaitIdle(std::chrono::steady_clock::now() + o.Grace);
  std::cerr << R"({"event":"stopped"})" << std::endl;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  TServeOptions options;
  try {
    options = ParseServeOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const EServeUsage& e) {
    std::cerr << "oxqr-serve: " << e.what() << "\nTry 'oxqr-serve --help' for more.\n";
    return 2;
  }
  if (options.Help) {
    std::cout << ServeHelpText;
    return 0;
  }
  if (options.WorkerFd >= 0) {
    return RunWorker({options.WorkerFd, options.Database, fs::canonical(options.Reports).string()});
  }
  try {
    return Serve(options);
  } catch (const EServeUsage& e) {
    std::cerr << "oxqr-serve: " << e.what() << '\n';
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "oxqr-serve: " << e.what() << '\n';
    return 1;
  }
}
