#pragma once
// Builds a page from a template file: the text is copied unchanged except
// for tags "<#name param=value ...>", each replaced by what the tag handler
// returns (nothing for a tag it does not know). The file is read anew for
// every page, as UTF-8 when it starts with a byte-order mark, else in the
// system code page (Windows-1252).

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "http/WebRequest.h"

namespace fieldsync {

class TPageProducer {
 public:
  // Gets the tag name and its parameters ("name=value", quotes removed) and
  // sets the replacement text, which starts empty.
  using TTagHandler = std::function<void(const std::string& tagString, const TFields& tagParams,
                                         std::u16string& replaceText)>;

  // `htmlFile` is taken relative to `programDir` unless it is absolute (a
  // drive letter and ":", two back-slashes, or on this platform "/"); a name
  // starting with one back-slash is taken from the root of `programDir`.
  // Components are matched without regard to letter case when the exact
  // name is missing.
  TPageProducer(std::string htmlFile, std::filesystem::path programDir);

  const std::string& HTMLFile() const { return FHTMLFile; }
  void SetOnHTMLTag(TTagHandler handler) { FOnHTMLTag = std::move(handler); }

  // The full path the template is read from.
  std::filesystem::path TemplatePath() const;
  // The page. Raises "Cannot open file "<path>". <reason>" when the
  // template cannot be read.
  std::u16string Content() const;
  // The page built from template text already in memory.
  std::u16string ContentFromString(std::u16string_view text) const;

 private:
  std::string FHTMLFile;
  std::filesystem::path FProgramDir;
  TTagHandler FOnHTMLTag;
};

}  // namespace fieldsync
