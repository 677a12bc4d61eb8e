#pragma once
// Compressed answers: a REST answer larger than GzipMinimumSize goes out
// gzip-compressed (Content-Encoding: gzip, Vary: Accept-Encoding) when the
// request's Accept-Encoding accepts gzip. Smaller answers, and requests that
// do not ask, get the uncompressed bytes. FIELDSYNC_GZIP=0 switches it off.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "http/WebResponse.h"

namespace fieldsync {

inline constexpr const char* GzipVariable = "FIELDSYNC_GZIP";
// Below this many body bytes compression saves too little to be worth it.
inline constexpr size_t GzipMinimumSize = 8192;

// Whether compression is on: FIELDSYNC_GZIP is not "0".
bool GzipEnabled();

// Whether an Accept-Encoding value accepts gzip: "gzip" (or "x-gzip") or "*"
// listed with a q-value above 0; an explicit "gzip;q=0" refuses it even when
// "*" is listed.
bool AcceptsGzip(std::string_view acceptEncoding);

// The gzip member (RFC 1952) holding `bytes`.
std::string GzipBytes(std::string_view bytes);
// The gzip member holding the concatenation of `parts`, as a list of pieces
// (up to 256 KiB each) whose concatenation is the member.
std::vector<std::string> GzipPieces(const std::vector<std::string_view>& parts);

// Compresses the response's body when the request accepted gzip (its
// Accept-Encoding value) and the body is at least GzipMinimumSize bytes;
// true when it did. A response that already has a Content-Encoding is left
// alone.
bool CompressResponse(std::string_view acceptEncoding, TWebResponse& response);
// The same, with the compressed body given by `pack` from the body's buffers
// (a body shared by several answers is compressed once for all of them).
using TGzipPacker = std::function<std::vector<TWireBuffer>(const std::vector<std::string_view>& parts)>;
bool CompressResponse(std::string_view acceptEncoding, TWebResponse& response, const TGzipPacker& pack);

}  // namespace fieldsync
