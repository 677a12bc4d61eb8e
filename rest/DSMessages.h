#pragma once
// Every message text of the REST layer, in one place; the texts it shares
// with other layers are in core/CoreMessages.h and json/JSONMessages.h. They
// are part of the service's interface: keep them exact. "%s" and "%d" are
// filled with FormatText.

namespace fieldsync {

// Routing: the URL, the context, the verb and the query parameters.
inline constexpr const char* ExpectedContextMessage = "Expected datasnap context in request %s";
inline constexpr const char* UnsupportedProtocolMessage =
    "Specified protocol in request %s is not supported. Current supported protocols are: %s, json, tunnel";
inline constexpr const char* NoRESTContextText = "none specified (uses rest)";
inline constexpr const char* RefusedParameterMessage =
    "Query parameter %s (%s) is not accepted as a valid converter. The converter type might not be registered yet "
    "hence the request is rejected";
inline constexpr const char* ConflictingParametersMessage =
    "Query parameters are conflicting. This is usually due to references on the same output parameter";
inline constexpr const char* SessionExpiredReason = "Session has expired";
inline constexpr const char* SessionExpiredBody =
    "{\"SessionExpired\":\"The specified session has expired due to inactivity or was an invalid Session ID\"}";
inline constexpr const char* CommandNotSupportedMessage =
    "Command %s in request is not supported. Accepted commands are: GET, POST, PUT and DELETE";

// The request path and body.
inline constexpr const char* InvalidRequestFormatMessage =
    "Invalid request format. /className/methodName and eventual parameters expected.";
inline constexpr const char* InvalidJSONContentMessage = "Message content is not a valid JSON value.";

// Calls: internal commands and the count of arguments.
inline constexpr const char* CommandNotImplementedMessage = "Internal command %s not implemented.";
inline constexpr const char* TooManyArgumentsMessage =
    "Server method %s has only %d parameters. Too many arguments actual arguments: %d.";
inline constexpr const char* UnusedArgumentsMessage =
    "Server method %s consumed only %d input parameters out of %d. Decrease the call input parameters for a "
    "successful execution.";

// Argument and result conversion (the texts shared with other layers are in
// core/CoreMessages.h and json/JSONMessages.h).
inline constexpr const char* CannotConvertInputMessage = "Cannot convert JSON value %s input into %s";
inline constexpr const char* NoConversionMessage = "No conversion exists for JSON value %s";

// Result filters.
inline constexpr const char* InvalidNamingMessage =
    "Invalid parameter naming. Expected [dcname.]field[numeric range] instead of %s";
inline constexpr const char* CannotConvertOutputMessage =
    "The output parameter (%s) cannot be converted by the selected converter (%s)";

// The json command context.
inline constexpr const char* EmptyContentMessage =
    "Request type %s has an empty content. A JSON command object is expected";
inline constexpr const char* ExpectsArrayMessage =
    "JSON protocol expects a JSON array instead a %s type. Submit a POST request with a JSON command to receive "
    "proper response";
inline constexpr const char* ExpectsPostMessage =
    "JSON protocol expects a POST request instead of %s. Submit a POST request with a JSON command to receive "
    "proper response";

// Cached results.
inline constexpr const char* InvalidFormatMessage = "Invalid request format. (%s)";
inline constexpr const char* NoItemMessage = "There is no cached item with ID: %s";
inline constexpr const char* NoParameterMessage = "There is no parameter for command %s, parameter index %s.";

// The method server and the response handler.
inline constexpr const char* MethodNotFoundMessage = "%s method not found in the server method list";
inline constexpr const char* NoClassMessage =
    "OnGetClass event not set or it did not provide a class reference";
inline constexpr const char* UnknownLifeCycleMessage = "Unknown LifeCycle:  ";
inline constexpr const char* CommandClosedMessage = "Command closed or unassigned.";

// Logins and rights, when an authentication manager is attached.
inline constexpr const char* AuthenticationRealm = "fieldsync";
inline constexpr const char* LoginRequiredMessage =
    "Login required: send the name and password of a user of this service (HTTP Basic)";
inline constexpr const char* LoginFailedMessage = "Unknown user or wrong password";
inline constexpr const char* TooManyFailuresMessage =
    "Too many failed logins from this address; try again in %s seconds";
inline constexpr const char* MethodNotAllowedMessage = "User %s may not call %s";
inline constexpr const char* OtherRepresentativeMessage =
    "User %s may call only with IDRepresentante %s; %s was called for another representative";

}  // namespace fieldsync
