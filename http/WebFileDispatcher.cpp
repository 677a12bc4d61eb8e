#include "http/WebFileDispatcher.h"

#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>
#include <system_error>

#include "core/Platform.h"
#include "core/Text.h"
#include "http/WebModule.h"

namespace fieldsync {

namespace fs = std::filesystem;

namespace {

constexpr const char Utf8ByteOrderMark[] = "\xEF\xBB\xBF";
constexpr double SecondsPerDay = 86400.0;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> items;
  std::string item;
  for (char c : text) {
    if (c == separator) {
      items.push_back(item);
      item.clear();
    } else {
      item.push_back(c);
    }
  }
  items.push_back(item);
  return items;
}

std::string Trim(std::string text) {
  text.erase(0, text.find_first_not_of(" \t"));
  text.erase(text.find_last_not_of(" \t") + 1);
  return text;
}

// A file's modification time as local date and time (with its fraction of
// a second).
TDateTime LocalFileTime(fs::file_time_type time) {
  const auto utc = std::chrono::file_clock::to_sys(time);
  const double seconds =
      std::chrono::duration<double>(utc.time_since_epoch()).count();
  return UtcToLocal(UnixDateDelta + seconds / SecondsPerDay);
}

// Whether `in` starts with the UTF-8 byte order mark; leaves it at its start.
bool StartsWithBom(std::istream& in) {
  char head[3] = {};
  in.read(head, 3);
  const bool mark = in.gcount() == 3 && std::string_view(head, 3) == std::string_view(Utf8ByteOrderMark, 3);
  in.clear();
  in.seekg(0);
  return mark;
}

}  // namespace

TWebFileDispatcher::TWebFileDispatcher(TSettings settings, fs::path programDir)
    : FSettings(std::move(settings)),
      FProgramDir(programDir.empty() ? ExecutableDir() : std::move(programDir)) {}

std::string TWebFileDispatcher::MimeTypeOf(const std::string& pathInfo) const {
  const size_t slash = pathInfo.find_last_of("/\\");
  const std::string last = slash == std::string::npos ? pathInfo : pathInfo.substr(slash + 1);
  const size_t dot = last.rfind('.');
  if (dot == std::string::npos) return {};
  const std::string extension = AsciiLower(last.substr(dot + 1));
  for (const auto& entry : FSettings.WebFileExtensions)
    for (const auto& item : Split(entry.Extensions, ';'))
      if (AsciiLower(Trim(item)) == extension) return entry.MimeType;
  return {};
}

bool TWebFileDispatcher::DirectoryAllowed(const std::string& name) const {
  const std::string directory = name.substr(0, name.rfind('\\') + 1);
  bool allowed = false;
  for (const auto& entry : FSettings.WebDirectories) {
    std::string mask = Trim(entry.DirectoryMask);
    if (mask.empty() || mask[0] != '\\') mask.insert(0, "\\");
    if (MatchesMask(directory, mask)) allowed = entry.Include;
  }
  return allowed;
}

std::optional<std::string> TWebFileDispatcher::NormalizeName(const std::string& pathInfo) {
  std::vector<std::string> parts;
  std::string part;
  auto take = [&parts](const std::string& segment) {
    if (segment.empty() || segment == ".") return true;
    if (segment == "..") {
      if (parts.empty()) return false;
      parts.pop_back();
      return true;
    }
    parts.push_back(segment);
    return true;
  };
  for (char c : pathInfo) {
    if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
    if (c == '/' || c == '\\') {
      if (!take(part)) return std::nullopt;
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (!take(part)) return std::nullopt;
  std::string name;
  for (const auto& p : parts) name += "\\" + p;
  return name;
}

fs::path TWebFileDispatcher::RootPath() const {
  const std::string root = Trim(FSettings.RootDirectory);
  if (root.empty() || root == ".") return FProgramDir;
  return ResolvePath(FProgramDir, root);
}

fs::path TWebFileDispatcher::QualifiedName(const std::string& name) const {
  const fs::path root = RootPath();
  const fs::path inRoot = ResolvePath(root, name.substr(1));
  if (FSettings.GeneratedDirectory.empty() || !FSettings.IsGenerated ||
      !FSettings.IsGenerated(name))
    return inRoot;
  // Spelled as below the root (directory names there may differ in letter
  // case from the request), so that a file is written and found in one place.
  return ResolvePath(FSettings.GeneratedDirectory, inRoot.lexically_relative(root).generic_string());
}

bool TWebFileDispatcher::DispatchRequest(TWebRequest& request, TWebResponse& response) {
  const TMethodType method = request.MethodType();
  if (method != TMethodType::mtGet && method != TMethodType::mtHead) return false;
  const std::string pathInfo = request.PathInfo();
  std::string mimeType = MimeTypeOf(pathInfo);
  if (mimeType.empty()) return false;

  const std::optional<std::string> name = NormalizeName(pathInfo);
  if (!name) {
    // Out of the root: never looked up, answered as a file that is not there.
    response.SetStatusCode(404);
    return true;
  }
  if (!DirectoryAllowed(*name)) return false;
  const fs::path fileName = QualifiedName(*name);

  if (FSettings.BeforeDispatch) {
    bool handled = false;
    FSettings.BeforeDispatch(fileName, request, response, handled);
    if (handled) return true;
  }

  std::error_code ec;
  if (!fs::is_regular_file(fileName, ec)) {
    response.SetStatusCode(404);
    return true;
  }
  const TDateTime modified = LocalFileTime(fs::last_write_time(fileName, ec));
  if (ec) {
    response.SetStatusCode(404);
    return true;
  }
  response.SetLastModified(modified);

  const TDateTime since = request.GetDateVariable(11);  // If-Modified-Since
  // Compared in whole milliseconds: a day count holds a second only to a
  // few microseconds.
  if (since >= 0 && std::llround(std::fabs(modified - since) * SecondsPerDay * 1000.0) < 1000) {
    response.SetStatusCode(304);
    response.SetContentType(mimeType);
    return true;
  }

  // Opened once: the mark is looked for in the same file that is sent, even
  // when the file is replaced meanwhile.
  std::unique_ptr<std::istream> file = OpenInputStream(fileName);
  if (!file) {
    response.SetStatusCode(404);
    return true;
  }
  bool skipBom = false;
  if (AsciiLower(mimeType).rfind("text/", 0) == 0 && StartsWithBom(*file)) {
    skipBom = true;
    if (AsciiLower(mimeType).find("charset") == std::string::npos) mimeType += "; charset=utf-8";
  }
  response.SetContentType(mimeType);

  if (method == TMethodType::mtHead) {
    const auto size = static_cast<int64_t>(fs::file_size(fileName, ec));
    response.SetContentLength(ec ? 0 : size - (skipBom ? 3 : 0));
    return true;
  }
  if (!skipBom) {
    response.SetContentStream(std::move(file));
    return true;
  }
  // The response sends a stream from its start, so the text without its
  // mark goes into a stream of its own (such files are pages' text).
  file->seekg(3);
  auto text = std::make_unique<std::stringstream>();
  *text << file->rdbuf();
  response.SetContentStream(std::move(text));
  return true;
}

}  // namespace fieldsync
