// fpsim: the printer simulator as a program. Serves a pseudo-terminal and a TCP port on
// 127.0.0.1, prints where, then prints the paper as it is printed until stopped (Ctrl-C).
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>

#include "QXRP_EPSFPNAT_20.h"
#include "fpsim/config_file.h"
#include "fpsim/field_text.h"
#include "fpsim/panel_view.h"
#include "fpsim/simulator.h"
#include "support/error.h"
#include "support/text.h"

namespace {

const char kUsage[] =
    "Usage: fpsim [options]\n"
    "Simulates an RT fiscal printer speaking its native framed protocol.\n"
    "\n"
    "  --config FILE      read settings from FILE (one \"key = value\" per line)\n"
    "  --set KEY=VALUE    one setting, as in the file (may be repeated)\n"
    "  --fault FAULT      inject a fault, e.g. 4201:silence or *:busy=3/50:2 (may be repeated); after\n"
    "                     the printer acted: 1084:lost, 1084:act-silence=2/frames (or =MS, =0 for ever),\n"
    "                     1084:act-drop\n"
    "  --web-root DIR     write the RT data files of each Z report under DIR (serve it with a web server)\n"
    "  --tcp-port N       TCP port on 127.0.0.1 (default 0: chosen by the system)\n"
    "  --no-pty           do not serve a pseudo-terminal\n"
    "  --no-tcp           do not serve TCP\n"
    "  --trace            print every frame and byte exchanged\n"
    "  --quiet            do not print the paper\n"
    "  --help             this text\n"
    "  --version          the version\n"
    "\n"
    "Settings: serial, firmware, mode (RT|MF), s14.N, s15.N, vat.N, department.N, activity.N,\n"
    "header.N, clock, clock_offset, clock_frozen, password, eft_result, drawer_auto_close,\n"
    "paper, fault. See docs/SIMULATOR.md.\n";

struct Options {
  qx::fpsim::SimulatorConfig config;
  bool pty = true, tcp = true, trace = false, quiet = false;
  uint16_t port = 0;
};

// Returns 0 to run, otherwise the exit code.
int ParseOptions(int argc, char** argv, Options& aOptions) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw qx::Error(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 2;
    } else if (arg == "--version") {
      std::cout << "fpsim " QXRP_EPSFPNAT_20_VERSION_STRING "\n";
      return 2;
    } else if (arg == "--config") {
      qx::fpsim::LoadConfigFile(aOptions.config, value());
    } else if (arg == "--set") {
      qx::fpsim::ApplySettingText(aOptions.config, value());
    } else if (arg == "--fault") {
      aOptions.config.faults.push_back(qx::fpsim::ParseFault(value()));
    } else if (arg == "--web-root") {
      aOptions.config.webRoot = value();
    } else if (arg == "--tcp-port") {
      const std::string text = value();
      int64_t port = 0;
      if (!qx::fpsim::ParseDigits(text, port) || port > 65535) throw qx::Error("bad port " + text);
      aOptions.port = static_cast<uint16_t>(port);
    } else if (arg == "--no-pty") {
      aOptions.pty = false;
    } else if (arg == "--no-tcp") {
      aOptions.tcp = false;
    } else if (arg == "--trace") {
      aOptions.trace = true;
    } else if (arg == "--quiet") {
      aOptions.quiet = true;
    } else {
      throw qx::Error("unknown option " + arg + " (see --help)");
    }
  }
  if (!aOptions.pty && !aOptions.tcp) throw qx::Error("nothing to serve: both --no-pty and --no-tcp");
  return 0;
}

void Say(const std::string& aLine) {
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  std::fputs(aLine.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    if (const int code = ParseOptions(argc, argv, options)) return code == 2 ? 0 : code;
  } catch (const std::exception& e) {
    std::cerr << "fpsim: " << e.what() << "\n";
    return 2;
  }

  // The signals are taken by sigwait below, not by the server threads.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  try {
    qx::fpsim::PanelWatcher panel;  // outlives the simulator, whose threads use it
    qx::fpsim::Simulator simulator(options.config);
    if (!options.quiet)
      simulator.SetPaperListener([](const std::string& aLine) { Say("| " + qx::ToUtf8(qx::FromLatin1(aLine))); });
    // The customer display and the drawer are shown as they change, after the answer that
    // changed them; with --quiet only the traffic (with --trace) is shown.
    if (options.trace || !options.quiet)
      simulator.SetTranscriptListener([&](const qx::fpsim::TranscriptEntry& aEntry) {
        if (options.trace) Say(DescribeEntry(aEntry));
        if (options.quiet || aEntry.kind != qx::fpsim::EntryKind::Answer) return;
        const auto changes =
            simulator.WithModel([&](qx::fpsim::PrinterModel& aModel) { return panel.Changes(aModel.State()); });
        for (const std::string& line : changes) Say(line);
      });
    if (options.pty) Say("fpsim: pseudo-terminal " + simulator.StartPty());
    if (options.tcp) Say("fpsim: tcp 127.0.0.1:" + std::to_string(simulator.StartTcp(options.port)));
    Say("fpsim: serial " + options.config.serial + ", " + options.config.fiscalMode + " mode; Ctrl-C stops");
    int signal = 0;
    sigwait(&stop, &signal);
    Say("fpsim: stopped");
  } catch (const std::exception& e) {
    std::cerr << "fpsim: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
