// Web servers for the HTTP tests, all on loopback ports chosen by the system:
// - RealWebServer: nginx (Basic authentication) or Apache (Digest, and Basic under /basic/)
//   serving a folder with directory listings, started in a temporary folder of its own and
//   stopped again, as the printer's web server is met in the field;
// - ScriptedHttpServer: a small server in a thread that records each request and answers a
//   given text, or accepts and never answers.
// Header-only so that the unit tests and the end-to-end tests share it.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace webtest {

inline const char* kUser = "fp";
inline const char* kPassword = "secret";

inline std::string FindProgram(const std::string& aName) {
  for (const char* dir : {"/usr/sbin", "/usr/bin", "/sbin", "/bin", "/usr/local/sbin", "/usr/local/bin"}) {
    const std::string path = std::string(dir) + "/" + aName;
    if (::access(path.c_str(), X_OK) == 0) return path;
  }
  return std::string();
}

inline std::string ShellOutput(const std::string& aCommand) {
  std::string out;
  if (FILE* p = ::popen(aCommand.c_str(), "r")) {
    char buffer[256];
    size_t n = 0;
    while ((n = ::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    ::pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ' || out.back() == '-')) out.pop_back();
  return out;
}

// A port that was free a moment ago.
inline int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

inline bool PortAnswers(int aPort) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(aPort));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return ok;
}

inline void WriteText(const std::filesystem::path& aPath, const std::string& aText) {
  std::filesystem::create_directories(aPath.parent_path());
  std::ofstream(aPath, std::ios::binary | std::ios::trunc) << aText;
}

enum class ServerKind { Nginx, Apache };

// A real web server serving aDocumentRoot. With aAuth the whole server asks for the user fp
// with the password "secret": nginx with Basic, Apache with Digest (Apache's /basic/ with Basic).
class RealWebServer {
 public:
  // The reason a test is skipped, or empty when the server's program is installed.
  static std::string Missing(ServerKind aKind) {
    if (aKind == ServerKind::Nginx) return FindProgram("nginx").empty() ? "nginx is not installed (scripts/setup)" : "";
    if (FindProgram("apache2").empty()) return "apache2 is not installed (scripts/setup)";
    return FindProgram("htpasswd").empty() ? "htpasswd (apache2-utils) is not installed (scripts/setup)" : "";
  }

  RealWebServer(ServerKind aKind, const std::string& aDocumentRoot, bool aAuth) : fKind(aKind) {
    namespace fs = std::filesystem;
    fHome = (fs::temp_directory_path() /
             ("qx-web-" + std::to_string(::getpid()) + "-" + std::to_string(Counter()++)))
                .string();
    fs::remove_all(fHome);
    fs::create_directories(fs::path(fHome) / "tmp");
    fs::create_directories(fs::path(fHome) / "run");
    // The workers run as an unprivileged user when the tests run as root.
    for (const std::string& dir : {fHome, aDocumentRoot}) ::chmod(dir.c_str(), 0755);
    fPort = FreePort();
    const std::string port = std::to_string(fPort);
    std::vector<std::string> args;
    if (aKind == ServerKind::Nginx) {
      WriteText(fs::path(fHome) / "htpasswd", std::string(kUser) + ":{PLAIN}" + kPassword + "\n");
      std::string conf = "worker_processes 1;\npid " + fHome + "/nginx.pid;\nerror_log " + fHome +
                         "/error.log info;\nevents { worker_connections 64; }\nhttp {\n access_log " + fHome +
                         "/access.log;\n";
      for (const char* t : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
        conf += std::string(" ") + t + "_temp_path " + fHome + "/tmp/" + t + ";\n";
      conf += " types { text/plain txt; application/xml xml; text/html html; }\n default_type application/octet-stream;\n";
      conf += " server {\n  listen 127.0.0.1:" + port + ";\n  root " + aDocumentRoot + ";\n  location / {\n   autoindex on;\n";
      if (aAuth) conf += "   auth_basic \"fiscal\";\n   auth_basic_user_file " + fHome + "/htpasswd;\n";
      conf += "  }\n }\n}\n";
      WriteText(fs::path(fHome) / "nginx.conf", conf);
      args = {FindProgram("nginx"), "-p", fHome + "/", "-c", fHome + "/nginx.conf", "-g", "daemon off;"};
    } else {
      const std::string hash =
          ShellOutput("printf '%s' '" + std::string(kUser) + ":fiscal:" + kPassword + "' | md5sum | cut -d' ' -f1");
      WriteText(fs::path(fHome) / "htdigest", std::string(kUser) + ":fiscal:" + hash + "\n");
      WriteText(fs::path(fHome) / "htpasswd",
                ShellOutput(FindProgram("htpasswd") + " -nbs " + kUser + " " + kPassword) + "\n");
      const std::string m = "/usr/lib/apache2/modules/";
      std::string conf = "ServerRoot \"" + fHome + "\"\nDefaultRuntimeDir \"" + fHome + "/run\"\nPidFile \"" + fHome +
                         "/httpd.pid\"\nErrorLog \"" + fHome + "/error.log\"\nLogLevel warn\nListen 127.0.0.1:" + port +
                         "\nServerName 127.0.0.1\n";
      if (::geteuid() == 0) conf += "User www-data\nGroup www-data\n";
      for (const char* mod : {"mpm_event", "authz_core", "authz_user", "authn_core", "authn_file", "auth_basic",
                              "auth_digest", "dir", "autoindex", "mime", "alias"})
        conf += std::string("LoadModule ") + mod + "_module " + m + "mod_" + mod + ".so\n";
      conf += "TypesConfig /etc/mime.types\n<Directory \"/\">\n AllowOverride None\n Require all denied\n</Directory>\n";
      conf += "DocumentRoot \"" + aDocumentRoot + "\"\n<Directory \"" + aDocumentRoot +
              "\">\n Options Indexes\n AllowOverride None\n Require all granted\n</Directory>\n";
      if (aAuth)
        conf += "<Location \"/\">\n AuthType Digest\n AuthName \"fiscal\"\n AuthDigestProvider file\n AuthUserFile \"" +
                fHome + "/htdigest\"\n Require valid-user\n</Location>\n";
      conf += "Alias \"/basic/\" \"" + aDocumentRoot + "/\"\n<Location \"/basic/\">\n AuthType Basic\n AuthName \"fiscal\"\n"
              " AuthBasicProvider file\n AuthUserFile \"" + fHome + "/htpasswd\"\n Require valid-user\n</Location>\n";
      WriteText(fs::path(fHome) / "httpd.conf", conf);
      args = {FindProgram("apache2"), "-f", fHome + "/httpd.conf", "-DFOREGROUND"};
    }
    fPid = ::fork();
    if (fPid == 0) {
      const int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, 0);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::setpgid(0, 0);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    // Ready when it accepts connections; bounded by a count of short waits.
    for (int i = 0; i < 1000 && !PortAnswers(fPort); ++i) {
      int status = 0;
      if (::waitpid(fPid, &status, WNOHANG) == fPid) {
        fPid = -1;
        throw std::runtime_error("the web server ended at start: " + ShellOutput("cat " + fHome + "/error.log"));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!PortAnswers(fPort)) throw std::runtime_error("the web server did not start");
  }

  ~RealWebServer() {
    if (fPid > 0) {
      // Apache ends its children itself on TERM; the group catches any that would linger.
      ::kill(fPid, SIGTERM);
      ::waitpid(fPid, nullptr, 0);
      ::kill(-fPid, SIGKILL);
    }
    if (std::getenv("QX_KEEP_LOGS") == nullptr) std::filesystem::remove_all(fHome);
  }
  RealWebServer(const RealWebServer&) = delete;
  RealWebServer& operator=(const RealWebServer&) = delete;

  int Port() const { return fPort; }
  std::string BaseURL() const { return "http://127.0.0.1:" + std::to_string(fPort); }
  ServerKind Kind() const { return fKind; }

 private:
  static int& Counter() {
    static int counter = 0;
    return counter;
  }

  ServerKind fKind;
  std::string fHome;
  int fPort = 0;
  pid_t fPid = -1;
};

// Accepts connections one at a time on a loopback port; records each request (headers and
// body) and answers aResponse, or with aNeverAnswer holds the connection open without a byte.
class ScriptedHttpServer {
 public:
  explicit ScriptedHttpServer(std::string aResponse, bool aNeverAnswer = false)
      : fResponse(std::move(aResponse)), fNeverAnswer(aNeverAnswer) {
    fListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(fListen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fListen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fListen, 8) != 0)
      throw std::runtime_error("cannot listen");
    socklen_t len = sizeof a;
    ::getsockname(fListen, reinterpret_cast<sockaddr*>(&a), &len);
    fPort = ntohs(a.sin_port);
    fThread = std::thread([this] { Run(); });
  }
  ~ScriptedHttpServer() {
    fStop = true;
    fThread.join();
    ::close(fListen);
  }
  ScriptedHttpServer(const ScriptedHttpServer&) = delete;
  ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

  std::string URL(const std::string& aPath = "/") const { return "http://127.0.0.1:" + std::to_string(fPort) + aPath; }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(fMutex);
    return fRequests;
  }

 private:
  bool WaitReadable(int aFd) {
    while (!fStop) {
      pollfd p{aFd, POLLIN, 0};
      if (::poll(&p, 1, 20) > 0) return true;
    }
    return false;
  }
  void Run() {
    while (WaitReadable(fListen)) {
      const int c = ::accept4(fListen, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) continue;
      std::string request;
      size_t need = std::string::npos;
      while (request.size() < need && WaitReadable(c)) {
        char buffer[4096];
        const ssize_t n = ::recv(c, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
        const size_t end = request.find("\r\n\r\n");
        if (end != std::string::npos && need == std::string::npos) {
          size_t length = 0;
          const size_t at = request.find("Content-Length: ");
          if (at != std::string::npos && at < end) length = std::stoul(request.substr(at + 16));
          need = end + 4 + length;
        }
      }
      {
        std::lock_guard<std::mutex> lock(fMutex);
        fRequests.push_back(request);
      }
      if (fNeverAnswer) {
        while (!fStop) {
          pollfd p{c, POLLIN, 0};
          if (::poll(&p, 1, 20) > 0) {
            char b[256];
            if (::recv(c, b, sizeof b, 0) <= 0) break;
          }
        }
      } else {
        ::send(c, fResponse.data(), fResponse.size(), MSG_NOSIGNAL);
      }
      ::close(c);
    }
  }

  std::string fResponse;
  bool fNeverAnswer;
  int fListen = -1;
  int fPort = 0;
  std::atomic<bool> fStop{false};
  std::mutex fMutex;
  std::vector<std::string> fRequests;
  std::thread fThread;
};

// Counts of this process's threads and open descriptors, for the no-leak checks.
inline int ThreadCount() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task")) ++n;
  return n;
}
inline int DescriptorCount() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

}  // namespace webtest
