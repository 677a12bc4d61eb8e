// Where the service is (host, port, the path before "/datasnap/rest") and
// the session it gave: the "dssession" item of the answers' "Pragma" header
// is sent back on every later call. A user name, when set, goes with its
// password as HTTP Basic credentials on every call (a service that requires a
// login answers 401 without them); with none set no "Authorization" header is
// sent. Calls are synchronous (run them off the
// main thread); an answer with the "error" pair raises DSRESTException with
// the service's message. HTTP goes over a socket of its own (POSIX sockets,
// as on iOS), so that escapes in the path reach the service unchanged.
#import <Foundation/Foundation.h>
#import "DSJSON.h"
#import "DSRESTException.h"

@class DSTableReader;

@interface DSRESTConnection : NSObject {
  NSString *protocol;
  NSString *host;
  int port;
  NSString *urlPath;
  NSString *context;
  NSString *sessionID;
  NSString *userName;
  NSString *password;
  NSTimeInterval timeout;
}
- (id)initWithHost:(NSString *)host port:(int)port;
- (NSString *)host;
- (int)port;
- (void)setUrlPath:(NSString *)path;  // "" or "/something"
- (void)setContext:(NSString *)context;
- (void)setTimeout:(NSTimeInterval)seconds;
- (NSString *)sessionID;
- (void)clearSessionID;
// The login sent with every call; nil or @"" sends none.
- (void)setUserName:(NSString *)name;
- (void)setPassword:(NSString *)password;
- (NSString *)userName;
// The URL of a call: .../datasnap/rest/Class/Method/arg1/arg2.
- (NSString *)methodURL:(NSString *)className request:(NSString *)requestName args:(NSArray *)args;
// Calls a method and returns the "result" array of its answer.
- (NSArray *)execute:(NSString *)verb className:(NSString *)className request:(NSString *)requestName
                args:(NSArray *)args;
@end

// The "Authorization" value: "Basic " and the Base64 form of the UTF-8 bytes of "user:password".
NSString *DSBasicAuthorization(NSString *userName, NSString *password);
// A path segment: every byte of the UTF-8 text but letters, digits and "-_.~" as %XX.
NSString *DSEncodeSegment(NSString *value);
// The argument texts of the generated methods.
NSString *DSTextOfString(NSString *value);
NSString *DSTextOfInt(int value);
NSString *DSTextOfLong(long long value);
NSString *DSTextOfDouble(double value);
NSString *DSTextOfBool(BOOL value);
// Typed elements of a result array; each raises DSRESTException on a wrong kind.
NSString *DSResultString(NSArray *result, NSUInteger index);
int DSResultInt(NSArray *result, NSUInteger index);
long long DSResultLong(NSArray *result, NSUInteger index);
double DSResultDouble(NSArray *result, NSUInteger index);
BOOL DSResultBool(NSArray *result, NSUInteger index);
DSTableReader *DSResultTable(NSArray *result, NSUInteger index);
