// file_create_bench: what creating the files of a many-file export costs by itself, as the
// floor under an export that writes them. By default the files of the HTML export of the
// customers report at scale 100: 717 page files of 32 KB and 10,718 picture files of 1 KB,
// written into a folder emptied just before, as export_bench empties its folder between runs.
// Each round writes them (a) plain: open, write, close; (b) through the safe writer
// (WriteFileSafely: temporary file, write, close, rename), in turns; the medians
// of wall time and of CPU time (user, system) are printed.
//   file_create_bench [--rounds N] [--pages N] [--pictures N] [--page-bytes N] [--picture-bytes N]
//                     [--dir FOLDER]
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/SafeFile.h"

namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

struct TTimes {
  double Wall = 0, User = 0, System = 0;
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Times `run` in wall and CPU seconds of this process.
TTimes Measure(const std::function<void()>& run) {
  rusage before{}, after{};
  ::getrusage(RUSAGE_SELF, &before);
  const auto start = TClock::now();
  run();
  const auto end = TClock::now();
  ::getrusage(RUSAGE_SELF, &after);
  return {std::chrono::duration<double>(end - start).count(), Seconds(after.ru_utime) - Seconds(before.ru_utime),
          Seconds(after.ru_stime) - Seconds(before.ru_stime)};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

struct TFileSet {
  std::vector<std::string> Names;
  std::vector<const std::string*> Bytes;  // the content of each file
};

void WritePlain(const TFileSet& set) {
  for (std::size_t i = 0; i < set.Names.size(); ++i) {
    const int fd = ::open(set.Names[i].c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || ::write(fd, set.Bytes[i]->data(), set.Bytes[i]->size()) < 0) {
      std::perror(set.Names[i].c_str());
      std::exit(1);
    }
    ::close(fd);
  }
}

void WriteSafe(const TFileSet& set) {
  for (std::size_t i = 0; i < set.Names.size(); ++i) oxqr::WriteFileSafely(set.Names[i], *set.Bytes[i]);
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 5, pages = 717, pictures = 10718;
  std::size_t pageBytes = 32 << 10, pictureBytes = 1 << 10;
  fs::path dir = fs::temp_directory_path() / "oxqr-bench" / "file-create";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    const char* value = argv[i + 1];
    if (key == "--rounds") rounds = std::atoi(value);
    else if (key == "--pages") pages = std::atoi(value);
    else if (key == "--pictures") pictures = std::atoi(value);
    else if (key == "--page-bytes") pageBytes = static_cast<std::size_t>(std::atol(value));
    else if (key == "--picture-bytes") pictureBytes = static_cast<std::size_t>(std::atol(value));
    else if (key == "--dir") dir = value;
    else {
      std::fprintf(stderr, "unknown option %s\n", key.c_str());
      return 2;
    }
  }
  const std::string page(pageBytes, 'p'), picture(pictureBytes, 'i');
  TFileSet set;
  char name[32];
  for (int p = 1; p <= pages; ++p) {
    std::snprintf(name, sizeof name, "out%.4d.htm", p);
    set.Names.push_back((dir / name).string());
    set.Bytes.push_back(&page);
  }
  for (int p = 1; p <= pictures; ++p) {
    std::snprintf(name, sizeof name, "out_I%.4d.jpg", p);
    set.Names.push_back((dir / name).string());
    set.Bytes.push_back(&picture);
  }

  struct TWay {
    const char* Name;
    void (*Write)(const TFileSet&);
    std::vector<double> Wall, User, System;
  };
  TWay ways[] = {{"plain open-write-close", WritePlain, {}, {}, {}}, {"safe writer", WriteSafe, {}, {}, {}}};
  // The order turns every round (ABBA): a file system may make a file created soon after many
  // deletions dearer (ext4 without a journal skips recently freed inodes one by one), and
  // each round deletes the previous round's files.
  for (int r = 0; r < rounds; ++r) {
    for (int k = 0; k < 2; ++k) {
      auto& way = ways[r % 2 == 0 ? k : 1 - k];
      fs::remove_all(dir);
      fs::create_directories(dir);
      const TTimes t = Measure([&] { way.Write(set); });
      way.Wall.push_back(t.Wall);
      way.User.push_back(t.User);
      way.System.push_back(t.System);
    }
  }
  fs::remove_all(dir);

  double load[1] = {0};
  ::getloadavg(load, 1);
  std::printf("%zu files (%d of %zu bytes, %d of %zu bytes) in %s; load average %.1f; medians of %d rounds\n",
              set.Names.size(), pages, pageBytes, pictures, pictureBytes, dir.c_str(), load[0], rounds);
  std::printf("%-24s %8s %8s %8s %12s\n", "way", "wall_s", "user_s", "sys_s", "us_per_file");
  for (const auto& way : ways)
    std::printf("%-24s %8.3f %8.3f %8.3f %12.1f\n", way.Name, Median(way.Wall), Median(way.User), Median(way.System),
                Median(way.Wall) * 1e6 / static_cast<double>(set.Names.size()));
  return 0;
}
