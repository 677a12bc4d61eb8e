#include "http/internal/GzipEncoding.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "core/Error.h"
#include "core/NumberText.h"
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
      return TextToDouble(std::string_view(item).substr(2)).value_or(0.0);
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

std::vector<std::string> GzipPieces(const std::vector<std::string_view>& parts) {
  z_stream stream{};
  // 15 window bits + 16: a gzip header and trailer around the deflate data.
  // Level 1: JSON tables compress almost as well as at the default level
  // for a fraction of the time (figures in docs/performance.md).
  if (deflateInit2(&stream, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw Exception("gzip: cannot start compression");
  // The output grows in pieces of up to 256 KiB: no buffer sized for the
  // worst case, no copy when it grows.
  constexpr size_t PieceBytes = size_t{256} << 10;
  std::vector<std::string> out;
  int rc = Z_OK;
  for (size_t k = 0; k <= parts.size() && rc != Z_STREAM_END; ++k) {
    const bool last = k == parts.size();
    std::string_view part = last ? std::string_view() : parts[k];
    do {
      // zlib counts in 32 bits: a larger part goes in slices.
      const size_t slice = std::min<size_t>(part.size(), size_t{1} << 30);
      stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(part.data()));
      stream.avail_in = static_cast<uInt>(slice);
      part.remove_prefix(slice);
      const int flush = last ? Z_FINISH : Z_NO_FLUSH;
      do {
        if (out.empty() || out.back().size() == PieceBytes) {
          out.emplace_back();
          out.back().reserve(PieceBytes);
        }
        std::string& piece = out.back();
        const size_t used = piece.size();
        piece.resize(PieceBytes);
        stream.next_out = reinterpret_cast<Bytef*>(piece.data() + used);
        stream.avail_out = static_cast<uInt>(PieceBytes - used);
        rc = deflate(&stream, flush);
        piece.resize(PieceBytes - stream.avail_out);
        if (rc == Z_STREAM_ERROR) break;
      } while (stream.avail_out == 0 || (last && rc != Z_STREAM_END));
    } while (!part.empty() && rc != Z_STREAM_ERROR);
    if (rc == Z_STREAM_ERROR) break;
  }
  deflateEnd(&stream);
  if (rc != Z_STREAM_END) throw Exception("gzip: compression failed");
  if (!out.empty() && out.back().empty()) out.pop_back();
  return out;
}

std::string GzipBytes(std::string_view bytes) {
  std::string out;
  for (const std::string& piece : GzipPieces({bytes})) out += piece;
  return out;
}

bool CompressResponse(std::string_view acceptEncoding, TWebResponse& response) {
  return CompressResponse(acceptEncoding, response, [](const std::vector<std::string_view>& parts) {
    std::vector<TWireBuffer> packed;
    for (std::string& piece : GzipPieces(parts)) packed.push_back(std::make_shared<const std::string>(std::move(piece)));
    return packed;
  });
}

bool CompressResponse(std::string_view acceptEncoding, TWebResponse& response, const TGzipPacker& pack) {
  if (!response.GetStringVariable(7).empty() || response.ContentStream()) return false;
  // Text content, or buffers (a table sent as its column buffers).
  const std::vector<TWireBuffer> buffers = response.ContentBuffers();
  const size_t size = buffers.empty() ? response.Content().size() : static_cast<size_t>(response.BuffersSize());
  if (size < GzipMinimumSize || !AcceptsGzip(acceptEncoding)) return false;
  std::vector<TWireBuffer> packed;
  if (buffers.empty()) {
    TWireBuffer body = response.WireBody();
    if (body->size() < GzipMinimumSize) return false;
    packed = pack({*body});
  } else {
    std::vector<std::string_view> parts;
    for (const TWireBuffer& buffer : buffers) parts.emplace_back(*buffer);
    packed = pack(parts);
  }
  response.SetSharedContentBuffers(std::move(packed));
  response.SetStringVariable(7, "gzip");
  response.SetCustomHeader("Vary", "Accept-Encoding");
  return true;
}

}  // namespace fieldsync
