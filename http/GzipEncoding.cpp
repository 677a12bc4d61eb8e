#include "http/internal/GzipEncoding.h"

#include <zlib.h>

#include <cstdlib>
#include <vector>

#include "core/Error.h"
#include "core/Platform.h"
#include "core/Text.h"
#include "http/WebResponse.h"

namespace fieldsync {

namespace {

// The q-value of one Accept-Encoding item's parameters ("1" when absent);
// a malformed value counts as 0.
double QValue(std::string_view parameters) {
  size_t from = 0;
  while (from < parameters.size()) {
    size_t next = parameters.find(';', from);
    if (next == std::string_view::npos) next = parameters.size();
    std::string item(parameters.substr(from, next - from));
    item.erase(0, item.find_first_not_of(" \t"));
    item.erase(item.find_last_not_of(" \t") + 1);
    if (item.size() > 2 && (item[0] == 'q' || item[0] == 'Q') && item[1] == '=') {
      const std::string value = item.substr(2);
      char* end = nullptr;
      const double q = std::strtod(value.c_str(), &end);
      return (end && *end == '\0' && !value.empty()) ? q : 0.0;
    }
    from = next + 1;
  }
  return 1.0;
}

}  // namespace

bool GzipEnabled() { return EnvironmentVariable(GzipVariable) != "0"; }

bool AcceptsGzip(std::string_view acceptEncoding) {
  double gzip = -1;  // not listed
  double any = -1;
  size_t from = 0;
  while (from <= acceptEncoding.size()) {
    size_t next = acceptEncoding.find(',', from);
    if (next == std::string_view::npos) next = acceptEncoding.size();
    const std::string_view item = acceptEncoding.substr(from, next - from);
    const size_t semicolon = item.find(';');
    std::string coding(item.substr(0, semicolon));
    coding.erase(0, coding.find_first_not_of(" \t"));
    coding.erase(coding.find_last_not_of(" \t") + 1);
    const double q = semicolon == std::string_view::npos ? 1.0 : QValue(item.substr(semicolon + 1));
    if (SameTextAscii(coding, "gzip") || SameTextAscii(coding, "x-gzip")) gzip = std::max(gzip, q);
    else if (coding == "*") any = q;
    from = next + 1;
  }
  if (gzip >= 0) return gzip > 0;
  return any > 0;
}

std::string GzipBytes(std::string_view bytes) {
  z_stream stream{};
  // 15 window bits + 16: a gzip header and trailer around the deflate data.
  // Level 1: JSON tables compress almost as well as at the default level
  // for a fraction of the time (figures in docs/performance.md).
  if (deflateInit2(&stream, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw Exception("gzip: cannot start compression");
  std::string out;
  out.resize(deflateBound(&stream, static_cast<uLong>(bytes.size())));
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&stream, Z_FINISH);
  const size_t written = stream.total_out;
  deflateEnd(&stream);
  if (rc != Z_STREAM_END) throw Exception("gzip: compression failed");
  out.resize(written);
  out.shrink_to_fit();
  return out;
}

bool CompressResponse(std::string_view acceptEncoding, TWebResponse& response) {
  if (!response.GetStringVariable(7).empty() || response.ContentStream()) return false;
  if (response.Content().size() < GzipMinimumSize || !AcceptsGzip(acceptEncoding)) return false;
  TWireBuffer body = response.WireBody();
  if (body->size() < GzipMinimumSize) return false;
  std::vector<std::string> packed;
  packed.push_back(GzipBytes(*body));
  body.reset();
  response.SetContentBuffers(std::move(packed));
  response.SetStringVariable(7, "gzip");
  response.SetCustomHeader("Vary", "Accept-Encoding");
  return true;
}

}  // namespace fieldsync
