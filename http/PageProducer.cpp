#include "http/internal/PageProducer.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "core/CoreMessages.h"
#include "core/Error.h"
#include "core/Platform.h"
#include "core/Text.h"

namespace fieldsync {

namespace {

namespace fs = std::filesystem;

bool IsWhite(char16_t c) { return c <= 32; }
bool IsNameStart(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}
bool IsNameChar(char16_t c) { return IsNameStart(c) || (c >= u'0' && c <= u'9'); }

// "a=1 b="two words" c" -> a=1, b=two words, c
TFields SplitParameters(std::u16string_view text) {
  std::vector<std::string> items;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsWhite(text[i])) ++i;
    if (i == text.size()) break;
    std::u16string item;
    char16_t quote = 0;
    for (; i < text.size() && (quote || !IsWhite(text[i])); ++i) {
      const char16_t c = text[i];
      if (quote && c == quote) quote = 0;
      else if (!quote && (c == u'"' || c == u'\'')) quote = c;
      else item.push_back(c);
    }
    items.push_back(Utf16ToUtf8(item));
  }
  return TFields(std::move(items));
}

using TFile = std::unique_ptr<FILE, int (*)(FILE*)>;

TFile OpenForReading(const fs::path& path) {
  return TFile(OpenFile(path, "rb"), &std::fclose);
}

// Reads the file at `exact`, or, when no file has that exact name, at
// `resolve()` (the name matched without regard to letter case).
template <typename TResolve>
std::string ReadWholeFile(const fs::path& exact, TResolve resolve) {
  fs::path path = exact;
  TFile file = OpenForReading(path);
  if (!file && errno == ENOENT) {
    path = resolve();
    file = OpenForReading(path);
  }
  auto fail = [&path](int error) {
    throw Exception(FormatText(CannotOpenFileMessage,
                               {path.string(), std::generic_category().message(error)}));
  };
  if (!file) fail(errno);
  std::string bytes;
  char buffer[16384];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, n);
  if (std::ferror(file.get())) fail(errno);
  return bytes;
}

}  // namespace

TPageProducer::TPageProducer(std::string htmlFile, fs::path programDir)
    : FHTMLFile(std::move(htmlFile)), FProgramDir(std::move(programDir)) {}

fs::path TPageProducer::TemplatePath() const {
  const std::string& name = FHTMLFile;
  const bool drive = name.size() >= 2 && name[1] == ':' &&
                     ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z'));
  if (drive || name.rfind("\\\\", 0) == 0 || name.rfind("/", 0) == 0) return fs::path(name);
  if (name.rfind("\\", 0) == 0) return ResolvePath(FProgramDir.root_path(), name.substr(1));
  return ResolvePath(FProgramDir, name);
}

std::u16string TPageProducer::Content() const {
  std::string exact = FHTMLFile;
  for (char& c : exact)
    if (c == '\\') c = '/';
  const fs::path direct = fs::path(exact).is_absolute() ? fs::path(exact) : FProgramDir / exact;
  const std::string bytes = ReadWholeFile(direct, [this] { return TemplatePath(); });
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
    return ContentFromString(Utf8ToUtf16(std::string_view(bytes).substr(3)));
  return ContentFromString(Win1252ToUtf16(bytes));
}

std::u16string TPageProducer::ContentFromString(std::u16string_view text) const {
  std::u16string page;
  page.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const size_t lt = text.find(u'<', i);
    if (lt == std::u16string_view::npos) {
      page.append(text.substr(i));
      break;
    }
    page.append(text.substr(i, lt - i));
    size_t j = lt + 1;
    while (j < text.size() && IsWhite(text[j])) ++j;
    if (j == text.size() || text[j] != u'#') {
      page.push_back(u'<');  // not a tag: the white space after "<" goes
      i = j;
      continue;
    }
    size_t k = j + 1;
    while (k < text.size() && IsWhite(text[k])) ++k;
    size_t nameEnd = k;
    if (k < text.size() && IsNameStart(text[k])) {
      while (nameEnd < text.size() && IsNameChar(text[nameEnd])) ++nameEnd;
    } else if (k < text.size()) {
      // One symbol: a whole character, both halves of a surrogate pair.
      const bool pair = text[k] >= 0xD800 && text[k] <= 0xDBFF && k + 1 < text.size() &&
                        text[k + 1] >= 0xDC00 && text[k + 1] <= 0xDFFF;
      nameEnd = k + (pair ? 2 : 1);
    }
    const size_t gt = text.find(u'>', nameEnd);
    const size_t paramsEnd = gt == std::u16string_view::npos ? text.size() : gt;
    const std::string tagString = Utf16ToUtf8(text.substr(k, nameEnd - k));
    const TFields params = SplitParameters(text.substr(nameEnd, paramsEnd - nameEnd));
    std::u16string replacement;
    if (FOnHTMLTag) FOnHTMLTag(tagString, params, replacement);
    page += replacement;
    i = gt == std::u16string_view::npos ? text.size() : gt + 1;
  }
  return page;
}

}  // namespace fieldsync
