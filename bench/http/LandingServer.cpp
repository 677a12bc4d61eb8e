// Benchmark-only server: the listener, the pool and the web module serving
// the landing page, nothing else. Runs until SIGINT or SIGTERM.
//
//   http_landing_server --port N [--dir DIST]
//
// DIST holds templates/ (default: the build's dist directory beside bench/).

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "core/Platform.h"
#include "http/HTTPWebBrokerBridge.h"
#include "http/WebModuleUnit1.h"
#include "http/WebRequestHandler.h"

namespace {

volatile std::sig_atomic_t StopRequested = 0;
void OnSignal(int) { StopRequested = 1; }

}  // namespace

int main(int argc, char** argv) {
  using namespace fieldsync;
  int port = 0;
  std::filesystem::path dir = ExecutableDir() / ".." / ".." / "dist";
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--port") == 0) port = std::atoi(argv[i + 1]);
    else if (std::strcmp(argv[i], "--dir") == 0) dir = argv[i + 1];
  }
  if (port <= 0 || port > 65535) {
    std::fprintf(stderr, "usage: %s --port N [--dir DIST]\n", argv[0]);
    return 2;
  }
  WebRequestHandler().SetWebModuleClass(
      [dir] { return std::make_unique<TWebModule1>(TWebModule1Components{}, dir); });
  TIdHTTPWebBrokerBridge listener;
  listener.SetDefaultPort(static_cast<uint16_t>(port));
  try {
    listener.SetActive(true);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::printf("listening on %d\n", port);
  std::fflush(stdout);
  while (!StopRequested) pause();
  listener.SetActive(false);
  return 0;
}
