#include "db/DBXError.h"

namespace fieldsync::TDBXErrorCodes {

std::string Name(int32_t code) {
  switch (code) {
    case None: return "No error";
    case InvalidType: return "Invalid type";
    case InvalidParameter: return "Invalid parameter";
    case ParameterNotSet: return "Parameter not set";
    case InvalidUserOrPassword: return "Invalid username or password";
    case ConnectionFailed: return "Connection failed";
    case DriverInitFailed: return "Driver initialization failed";
    case InvalidArgument: return "Invalid argument";
    case InvalidOperation: return "Invalid operation";
    case ConnectionClosed: return "Connection closed";
    case VendorError: return "Vendor error";
    default: return "Unknown error";
  }
}

}  // namespace fieldsync::TDBXErrorCodes
