#pragma once
// Every message text of the HTTP front end, in one place. They are part of
// the service's interface: keep them exact.

namespace fieldsync {

inline constexpr const char* CouldNotBindMessage =
    "Could not bind socket. Address and port are already in use.";
inline constexpr const char* ParsingCommandMessage = "Error in parsing command.";
inline constexpr const char* TooManyLinesMessage = "Maximum number of line allowed exceeded";
inline constexpr const char* LineTooLongMessage = "Max line length exceeded.";
inline constexpr const char* RequestTooSlowMessage = "Request not received within %s seconds.";
inline constexpr const char* UnsupportedAuthorizationMessage = "Unsupported authorization scheme.";
inline constexpr const char* UrlDecodeErrorMessage =
    "Error decoding URL style (%%XX) encoded string at position %d";
inline constexpr const char* UrlInvalidCharacterMessage =
    "Invalid URL encoded character (%s) at position %d";
inline constexpr const char* MaxConnectionsExceededMessage =
    "Maximum number of concurrent connections exceeded.  Please try again later";
inline constexpr const char* NoDataModulesMessage = "No automatically activated data modules";
inline constexpr const char* InvalidIndexMessage = "Invalid Index %s in TIdHTTPAppResponse.%s";
inline constexpr const char* NoProxySourcesMessage =
    "The client sources \"%s\" of the writer \"%s\" are missing";
inline constexpr const char* ErrorPageMessage =
    "<html><body><h1>Internal Application Error</h1>\r\n<p>%s\r\n<p><hr width=\"100%%\"><i>%s</i>"
    "</body></html>";
inline constexpr const char* BadLimitMessage = "%s must be a whole number from %s to %s, not \"%s\"";
inline constexpr const char* BadSwitchMessage = "%s must be 0 or 1, not \"%s\"";
inline constexpr const char* BadAllowEntryMessage =
    "%s must list IPv4 or IPv6 addresses or ranges (address/length), not \"%s\"";
inline constexpr const char* AddressNotAllowedMessage = "This address may not use the service.";

}  // namespace fieldsync
