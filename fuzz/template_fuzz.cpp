// libFuzzer target for page templates and their "<#name param=value>" tags:
// the input as template text (UTF-8, and each byte as one character)
// through TPageProducer::ContentFromString. Traps when a property breaks:
// - a template without "<" comes out unchanged;
// - with tags replaced by nothing, the page is never longer than the
//   template; with a replacement, longer by at most that per tag;
// - a tag name and its parameters come from the tag's own text.
#include <string>

#include "FuzzCheck.h"
#include "core/Error.h"
#include "core/Text.h"
#include "http/internal/PageProducer.h"

using namespace fieldsync;
using fieldsync::fuzz::Check;

namespace {

void Page(const std::u16string& text) {
  TPageProducer producer("template.html", ".");
  size_t tags = 0;
  std::u16string empty = producer.ContentFromString(text);
  Check(empty.size() <= text.size());
  if (text.find(u'<') == std::u16string::npos) Check(empty == text);

  const std::u16string replacement = u"[tag]";
  const std::string utf8 = Utf16ToUtf8(text);
  producer.SetOnHTMLTag([&](const std::string& tag, const TFields& params, std::u16string& replace) {
    ++tags;
    Check(utf8.find(tag) != std::string::npos);
    for (size_t i = 0; i < params.Count(); ++i) Check(params.Strings(i).size() <= utf8.size());
    replace = replacement;
  });
  const std::u16string page = producer.ContentFromString(text);
  Check(page.size() <= text.size() + tags * replacement.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  try {
    Page(Utf8ToUtf16(bytes));
    Page(Win1252ToUtf16(bytes));
  } catch (const Exception&) {
  }
  return 0;
}
