#include "ListenerFixture.h"

#include "core/Error.h"

namespace fieldsync::test {

std::vector<std::string> PatternPieces(int count, int size) {
  std::vector<std::string> pieces;
  for (int i = 0; i < count; ++i) {
    // Sizes vary around `size` so that pieces end at odd places.
    std::string piece(static_cast<size_t>(size + i % 7), '\0');
    for (size_t j = 0; j < piece.size(); ++j) piece[j] = static_cast<char>((i * 31 + j) % 251);
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

bool TProbeModule::HandleRequest(TWebRequest& request, TWebResponse& response) {
  if (FGate) FGate->Pass();
  if (request.PathInfo() == "/throw") throw Exception("probe failure \xC3\xA7");
  if (request.PathInfo() == "/pieces") {
    const auto& query = request.QueryFields();
    response.SetContentType("application/octet-stream");
    response.SetContentBuffers(PatternPieces(std::stoi(query.Values("count")),
                                             std::stoi(query.Values("size"))));
    return true;
  }
  if (request.PathInfo() == "/filled") {  // the same, quick to make: all "x"
    const auto& query = request.QueryFields();
    response.SetContentBuffers(std::vector<std::string>(
        std::stoul(query.Values("count")), std::string(std::stoul(query.Values("size")), 'x')));
    return true;
  }
  std::string text;
  auto add = [&text](const std::string& name, const std::string& value) {
    text += name + "=" + value + "\n";
  };
  add("Method", request.Method());
  add("MethodType", std::to_string(static_cast<int>(request.MethodType())));
  add("ProtocolVersion", request.ProtocolVersion());
  add("PathInfo", request.PathInfo());
  add("RawPath", request.RawPath());
  add("Query", request.Query());
  add("Host", request.Host());
  add("ServerPort", std::to_string(request.ServerPort()));
  add("RemoteAddr", request.RemoteAddr());
  add("ContentType", request.ContentType());
  add("ContentLength", std::to_string(request.ContentLength()));
  add("Content", request.Content());
  add("User", request.AuthUserName() + ":" + request.AuthPassword());
  for (size_t i = 0; i < request.CookieFields().Count(); ++i)
    add("Cookie", request.CookieFields().Strings(i));
  response.SetContent(text);
  response.SetContentType("text/plain");
  return true;
}

void ListenerTest::SetUp() {
  FHandler.SetWebModuleClass([this] { return std::make_unique<TProbeModule>(&FGate); });
  TListenerLimits limits;
  limits.ReadTimeoutSeconds = 30;
  Restart(limits);
}

void ListenerTest::Restart(const TListenerLimits& limits) {
  FListener.reset();
  // Port 0 takes a free port for IPv4; IPv6 then asks for the same one,
  // which another program may hold: try a few times.
  for (int attempt = 0; attempt < 5; ++attempt) {
    FListener = std::make_unique<TIdHTTPWebBrokerBridge>(FHandler);
    FListener->SetDefaultPort(0);
    FListener->SetLimits(limits);
    try {
      FListener->SetActive(true);
      FPort = FListener->Bindings().at(0).Port;
      return;
    } catch (const Exception&) {
    }
  }
  FAIL() << "could not start a listener";
}

bool ListenerTest::HasIPv6Loopback() const {
  return FListener && FListener->Bindings().size() > 1 && TTestConnection(FPort, true).Connected();
}

void ListenerTest::TearDown() {
  FGate.Open();
  FListener.reset();
}

}  // namespace fieldsync::test
