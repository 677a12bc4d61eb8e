#include "rest/DSAuthentication.h"

#include <algorithm>

#include "core/Text.h"
#include "rest/DSMessages.h"

namespace fieldsync {

std::string TDSUserRights::Refusal(const TDSMethodEntry& method, const std::vector<TDSValue>& values) const {
  const std::string methodName = Utf16ToUtf8(method.MethodName);
  if (!Methods.empty() && std::find(Methods.begin(), Methods.end(), AsciiUpper(method.MethodName)) == Methods.end())
    return FormatText(MethodNotAllowedMessage, {UserName, methodName});
  if (!Representative) return {};
  for (size_t i = 0; i < method.Parameters.size() && i < values.size(); ++i) {
    const TDSParameter& parameter = method.Parameters[i];
    if (parameter.Name != RepresentativeParameter || parameter.Direction == TDSParamDirection::Out ||
        parameter.Direction == TDSParamDirection::Return)
      continue;
    if (values[i].IsNull() || values[i].AsInt32() != *Representative)
      return FormatText(OtherRepresentativeMessage, {UserName, std::to_string(*Representative), methodName});
  }
  return {};
}

}  // namespace fieldsync
