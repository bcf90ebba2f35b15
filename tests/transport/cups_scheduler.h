// A private CUPS scheduler for the spool tests: cupsd started in a temporary directory on a
// loopback port, with queues whose device is a small backend of ours that writes each job's
// bytes and title into a folder. A queue with a resolution gets a PPD (page size, printable
// area, resolution) that takes PDF as it is; a queue without one is a raw queue. Clients find
// the scheduler through CUPS_SERVER, which the constructor sets. Standalone: the end-to-end
// tests use it too.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace cupstest {

struct Queue {
  std::string Name;
  int Resolution = 0;  // dots per inch; 0 makes a raw queue
  // Sheet and printable area in points, as a PPD gives them (origin at the bottom left).
  double Width = 0, Height = 0, Left = 0, Bottom = 0, Right = 0, Top = 0;
};

struct Job {
  std::string Title;
  std::string Data;
};

class Scheduler {
 public:
  explicit Scheduler(const std::vector<Queue>& aQueues) {
    if (!FindProgram()) return;
    char pattern[] = "/tmp/qx-cups-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
      fWhy = "no temporary directory";
      return;
    }
    fRoot = pattern;
    WriteFiles(aQueues);
    fPort = FreePort();
    Append(fRoot + "/conf/cupsd.conf", "Listen 127.0.0.1:" + std::to_string(fPort) + "\n");
    Start();
  }
  ~Scheduler() {
    Stop();
    if (fPort != 0 && std::getenv("CUPS_SERVER") != nullptr && Server() == std::getenv("CUPS_SERVER"))
      ::unsetenv("CUPS_SERVER");
    if (!fRoot.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(fRoot, ec);
    }
  }
  Scheduler(const Scheduler&) = delete;
  Scheduler& operator=(const Scheduler&) = delete;

  bool Running() const { return fPid > 0; }
  // Why the scheduler is not running.
  const std::string& Why() const { return fWhy; }
  std::string Server() const { return "127.0.0.1:" + std::to_string(fPort); }

  // The jobs that reached their device so far, in the order of their job numbers; waits until
  // there are at least aCount or aTimeoutMs has passed.
  std::vector<Job> Jobs(size_t aCount, int aTimeoutMs = 10000) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(aTimeoutMs);
    for (;;) {
      std::vector<Job> jobs = ReadJobs();
      if (jobs.size() >= aCount || std::chrono::steady_clock::now() > deadline) return jobs;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  void Stop() {
    if (fPid <= 0) return;
    ::kill(fPid, SIGTERM);
    int status = 0;
    ::waitpid(fPid, &status, 0);
    fPid = -1;
  }

 private:
  bool FindProgram() {
    for (const char* p : {"/usr/sbin/cupsd", "/usr/local/sbin/cupsd"})
      if (::access(p, X_OK) == 0) {
        fProgram = p;
        break;
      }
    if (fProgram.empty()) fWhy = "cupsd is not installed (scripts/setup installs cups-daemon)";
    if (::access("/usr/lib/cups/daemon/cups-exec", X_OK) != 0 && fWhy.empty())
      fWhy = "cups-exec is missing (/usr/lib/cups/daemon)";
    return fWhy.empty();
  }

  static void Append(const std::string& aPath, const std::string& aText) {
    std::ofstream(aPath, std::ios::app) << aText;
  }

  static int FreePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    ::close(s);
    return ntohs(a.sin_port);
  }

  void WriteFiles(const std::vector<Queue>& aQueues) {
    for (const char* d : {"conf/ppd", "bin/backend", "spool", "cache", "state", "logs", "out"})
      std::filesystem::create_directories(fRoot + "/" + d);
    std::filesystem::create_directory_symlink("/usr/lib/cups/daemon", fRoot + "/bin/daemon");
    // The device: each job's bytes, then its title (written last, by a rename, so that a job
    // counts only once it is whole). 0700: the scheduler runs it as its own user.
    const std::string backend = fRoot + "/bin/backend/capture";
    std::ofstream(backend) << "#!/bin/sh\n"
                              "[ $# -eq 0 ] && exit 0\n"
                              "dir=\"${DEVICE_URI#capture:}\"\n"
                              "if [ -n \"$6\" ]; then cat \"$6\" > \"$dir/$1.data\"; else cat > \"$dir/$1.data\"; fi\n"
                              "printf '%s' \"$3\" > \"$dir/$1.tmp\" && mv \"$dir/$1.tmp\" \"$dir/$1.title\"\n";
    ::chmod(backend.c_str(), 0700);
    std::ofstream(fRoot + "/conf/cupsd.conf") << "LogLevel warn\nBrowsing Off\nDefaultAuthType None\n"
                                                 "WebInterface No\nMaxJobs 0\n"
                                                 "<Location />\nOrder allow,deny\nAllow all\n</Location>\n";
    std::ofstream(fRoot + "/conf/cups-files.conf")
        << "ServerRoot " << fRoot << "/conf\nServerBin " << fRoot << "/bin\nRequestRoot " << fRoot
        << "/spool\nCacheDir " << fRoot << "/cache\nStateDir " << fRoot << "/state\nTempDir " << fRoot
        << "/spool\nErrorLog " << fRoot << "/logs/error_log\nAccessLog " << fRoot << "/logs/access_log\nPageLog "
        << fRoot << "/logs/page_log\nDataDir /usr/share/cups\n";
    std::ofstream printers(fRoot + "/conf/printers.conf");
    for (const Queue& q : aQueues) {
      printers << "<Printer " << q.Name << ">\nDeviceURI capture:" << fRoot
               << "/out\nState Idle\nAccepting Yes\nShared No\n</Printer>\n";
      if (q.Resolution > 0) std::ofstream(fRoot + "/conf/ppd/" + q.Name + ".ppd") << Ppd(q);
    }
  }

  static std::string Ppd(const Queue& q) {
    std::ostringstream p;
    const std::string dims = std::to_string(q.Width) + " " + std::to_string(q.Height);
    const std::string area = std::to_string(q.Left) + " " + std::to_string(q.Bottom) + " " +
                             std::to_string(q.Right) + " " + std::to_string(q.Top);
    const std::string res = std::to_string(q.Resolution) + "dpi";
    p << "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
         "*LanguageEncoding: ISOLatin1\n*PCFileName: \"TEST.PPD\"\n*Manufacturer: \"Test\"\n*Product: \"(Test)\"\n"
         "*ModelName: \"Test\"\n*ShortNickName: \"Test\"\n*NickName: \"Test\"\n*PSVersion: \"(3010.000) 0\"\n"
         "*LanguageLevel: \"3\"\n*ColorDevice: False\n*DefaultColorSpace: Gray\n*FileSystem: False\n"
         "*Throughput: \"1\"\n*TTRasterizer: Type42\n"
         "*cupsFilter: \"application/pdf 0 -\"\n"
         "*OpenUI *PageSize/Media Size: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n"
         "*DefaultPageSize: Roll\n*PageSize Roll/Roll: \"<</PageSize[" << dims << "]>>setpagedevice\"\n"
      << "*CloseUI: *PageSize\n*OpenUI *PageRegion/Media Size: PickOne\n*OrderDependency: 10 AnySetup *PageRegion\n"
         "*DefaultPageRegion: Roll\n*PageRegion Roll/Roll: \"<</PageSize[" << dims << "]>>setpagedevice\"\n"
      << "*CloseUI: *PageRegion\n*DefaultImageableArea: Roll\n*ImageableArea Roll/Roll: \"" << area << "\"\n"
      << "*DefaultPaperDimension: Roll\n*PaperDimension Roll/Roll: \"" << dims << "\"\n"
      << "*OpenUI *Resolution/Resolution: PickOne\n*OrderDependency: 10 AnySetup *Resolution\n"
         "*DefaultResolution: " << res << "\n*Resolution " << res << "/" << res << ": \"<</HWResolution["
      << q.Resolution << " " << q.Resolution << "]>>setpagedevice\"\n*CloseUI: *Resolution\n";
    return p.str();
  }

  void Start() {
    const std::string conf = fRoot + "/conf/cupsd.conf";
    const std::string files = fRoot + "/conf/cups-files.conf";
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execl(fProgram.c_str(), fProgram.c_str(), "-f", "-c", conf.c_str(), "-s", files.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    if (pid < 0) {
      fWhy = "fork failed";
      return;
    }
    fPid = pid;
    ::setenv("CUPS_SERVER", Server().c_str(), 1);
    // Ready once it accepts connections; a scheduler that ends first could not start.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (::waitpid(fPid, &status, WNOHANG) == fPid) {
        fPid = -1;
        std::ifstream log(fRoot + "/logs/error_log");
        std::stringstream text;
        text << log.rdbuf();
        fWhy = "cupsd could not start: " + text.str();
        return;
      }
      if (Accepts()) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Stop();
    fWhy = "cupsd did not listen within 20 s";
  }

  bool Accepts() const {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(fPort));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
  }

  std::vector<Job> ReadJobs() const {
    std::vector<std::pair<int, Job>> found;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(fRoot + "/out", ec)) {
      if (e.path().extension() != ".title") continue;
      Job job;
      job.Title = Read(e.path().string());
      std::string data = e.path().string();
      job.Data = Read(data.substr(0, data.size() - 6) + ".data");
      found.emplace_back(std::stoi(e.path().stem().string()), job);
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Job> jobs;
    for (auto& f : found) jobs.push_back(f.second);
    return jobs;
  }

  static std::string Read(const std::string& aPath) {
    std::ifstream in(aPath, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::string fProgram;
  std::string fRoot;
  std::string fWhy;
  int fPort = 0;
  pid_t fPid = -1;
};

}  // namespace cupstest
