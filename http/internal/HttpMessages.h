#pragma once
// Every message text of the HTTP front end, in one place. They are part of
// the service's interface: keep them exact.

namespace fieldsync {

inline constexpr const char* MsgCouldNotBind =
    "Could not bind socket. Address and port are already in use.";
inline constexpr const char* MsgParsingCommand = "Error in parsing command.";
inline constexpr const char* MsgTooManyLines = "Maximum number of line allowed exceeded";
inline constexpr const char* MsgLineTooLong = "Max line length exceeded.";
inline constexpr const char* MsgRequestTooSlow = "Request not received within %s seconds.";
inline constexpr const char* MsgUnsupportedAuthorization = "Unsupported authorization scheme.";
inline constexpr const char* MsgUrlDecodeError =
    "Error decoding URL style (%%XX) encoded string at position %d";
inline constexpr const char* MsgUrlInvalidCharacter =
    "Invalid URL encoded character (%s) at position %d";
inline constexpr const char* MsgMaxConnectionsExceeded =
    "Maximum number of concurrent connections exceeded.  Please try again later";
inline constexpr const char* MsgNoDataModules = "No automatically activated data modules";
inline constexpr const char* MsgInvalidIndex = "Invalid Index %s in TIdHTTPAppResponse.%s";
inline constexpr const char* MsgNoProxySources =
    "The client sources \"%s\" of the writer \"%s\" are missing";
inline constexpr const char* MsgErrorPage =
    "<html><body><h1>Internal Application Error</h1>\r\n<p>%s\r\n<p><hr width=\"100%%\"><i>%s</i>"
    "</body></html>";
inline constexpr const char* MsgBadLimit = "%s must be a whole number from %s to %s, not \"%s\"";
inline constexpr const char* MsgBadSwitch = "%s must be 0 or 1, not \"%s\"";
inline constexpr const char* MsgBadAllowEntry =
    "%s must list IPv4 or IPv6 addresses or ranges (address/length), not \"%s\"";
inline constexpr const char* MsgAddressNotAllowed = "This address may not use the service.";

}  // namespace fieldsync
