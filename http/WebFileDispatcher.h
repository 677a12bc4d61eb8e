#pragma once
// A dispatch-list component that serves files below a root directory (the
// executable's directory by default): GET and HEAD of a path with a known
// extension, in an allowed directory. It answers 404 for a missing file,
// 304 when If-Modified-Since is within a second of the file's time, sends
// Last-Modified on every file answer, and serves a text file that starts
// with the UTF-8 byte-order mark as "; charset=utf-8" without the mark.
//
// A path whose "." and ".." would lead out of the root is answered 404 and
// never touches the file system; ".." inside the root is resolved before the
// directory masks are checked, so it cannot reach an excluded directory.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "http/WebDispatcher.h"

namespace fieldsync {

// Extensions without the dot, separated by ";" ("htm;html"), and their
// content type.
struct TWebFileExtension {
  std::string Extensions;
  std::string MimeType;
};

// A directory mask ("\templates\*"; "*" any run, "?" one character, case
// ignored) that allows or forbids the directories it matches.
struct TWebDirectory {
  bool Include = true;
  std::string DirectoryMask;
};

class TWebFileDispatcher : public TWebDispatcher {
 public:
  // Runs with the qualified file name before the file is served; setting
  // `handled` answers the request with what the hook put into the response.
  using TBeforeDispatch = std::function<void(const std::filesystem::path& fileName,
                                             TWebRequest& request, TWebResponse& response,
                                             bool& handled)>;

  struct TSettings {
    std::string RootDirectory = ".";  // relative to the program's directory
    std::vector<TWebFileExtension> WebFileExtensions;
    std::vector<TWebDirectory> WebDirectories;  // checked in order, last match decides
    TBeforeDispatch BeforeDispatch;
    // Files the program writes itself rather than ships: a file whose
    // root-relative name ("\js\serverfunctions.js") IsGenerated accepts is
    // looked for below GeneratedDirectory, under the name it has below the
    // root, and the hook gets that name. Unset: everything is below the root.
    std::filesystem::path GeneratedDirectory;
    std::function<bool(const std::string& name)> IsGenerated;
  };

  TWebFileDispatcher(TSettings settings, std::filesystem::path programDir);

  std::string PathMask() const override { return "/*"; }
  bool DispatchRequest(TWebRequest& request, TWebResponse& response) override;

  // The content type for the extension of `pathInfo`; empty when the
  // extension is not in the table.
  std::string MimeTypeOf(const std::string& pathInfo) const;
  // Whether the directory part of a root-relative name ("\css\x.css")
  // passes the directory masks.
  bool DirectoryAllowed(const std::string& name) const;
  // `pathInfo` with "/" turned into "\", "." and ".." resolved and empty
  // segments dropped ("\js\x.js"); empty when it would leave the root or
  // names a control character.
  static std::optional<std::string> NormalizeName(const std::string& pathInfo);

 private:
  std::filesystem::path RootPath() const;
  // The file a root-relative name ("\css\x.css") stands for.
  std::filesystem::path QualifiedName(const std::string& name) const;

  TSettings FSettings;
  std::filesystem::path FProgramDir;
};

}  // namespace fieldsync
