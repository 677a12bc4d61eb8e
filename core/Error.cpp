#include "core/Error.h"

namespace fieldsync {

std::string FormatText(std::string_view format, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(format.size() + 32);
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '%' && i + 1 < format.size()) {
      const char k = format[i + 1];
      if (k == '%') {
        out.push_back('%');
        ++i;
        continue;
      }
      if (k == 's' || k == 'd') {
        if (next != args.end()) out.append(*next++);
        ++i;
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

std::string ErrorMessage(const std::exception& e) {
  if (const auto* ours = dynamic_cast<const Exception*>(&e)) return ours->Message();
  return e.what();
}

}  // namespace fieldsync
