#import "DSRESTConnection.h"
#import "DSTableReader.h"

#include <netdb.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

// One HTTP exchange over a socket: the request goes out with
// "Connection: close" and the answer is read to its end. The URL's path goes
// out exactly as written, escapes included (a "%2F" inside an argument must
// not become a "/"). Returns the status, or 0 with `failure` set.
static int Exchange(NSString *host, int port, NSString *requestText, NSTimeInterval timeout,
                    NSData **answer, NSString **failure) {
  struct addrinfo hints, *found = NULL;
  memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  char service[16];
  snprintf(service, sizeof service, "%d", port);
  int error = getaddrinfo([host UTF8String], service, &hints, &found);
  if (error != 0) {
    *failure = [NSString stringWithUTF8String:gai_strerror(error)];
    return 0;
  }
  int fd = -1;
  for (struct addrinfo *a = found; a && fd < 0; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (fd < 0) continue;
    struct timeval limit = {(time_t)timeout, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(found);
  if (fd < 0) {
    *failure = @"cannot connect";
    return 0;
  }
  NSData *request = [requestText dataUsingEncoding:NSUTF8StringEncoding];
  const char *bytes = [request bytes];
  size_t sent = 0;
  while (sent < [request length]) {
    ssize_t n = send(fd, bytes + sent, [request length] - sent, 0);
    if (n <= 0) {
      close(fd);
      *failure = @"the request could not be sent";
      return 0;
    }
    sent += (size_t)n;
  }
  NSMutableData *received = [NSMutableData data];
  char buffer[8192];
  ssize_t n;
  while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) [received appendBytes:buffer length:(NSUInteger)n];
  close(fd);
  if (n < 0) {
    *failure = @"the answer did not arrive in time";
    return 0;
  }
  *answer = received;
  return 1;
}

NSString *DSEncodeSegment(NSString *value) {
  NSData *bytes = [value dataUsingEncoding:NSUTF8StringEncoding];
  const unsigned char *b = [bytes bytes];
  NSMutableString *out = [NSMutableString string];
  for (NSUInteger i = 0; i < [bytes length]; i++) {
    unsigned char c = b[i];
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        c == '.' || c == '~')
      [out appendFormat:@"%c", c];
    else
      [out appendFormat:@"%%%02X", c];
  }
  return out;
}

NSString *DSBasicAuthorization(NSString *userName, NSString *password) {
  NSString *pair = [NSString stringWithFormat:@"%@:%@", userName, password ? password : @""];
  NSData *bytes = [pair dataUsingEncoding:NSUTF8StringEncoding];
  return [@"Basic " stringByAppendingString:[bytes base64EncodedStringWithOptions:0]];
}

NSString *DSTextOfString(NSString *value) { return value ? value : @""; }
NSString *DSTextOfInt(int value) { return [NSString stringWithFormat:@"%d", value]; }
NSString *DSTextOfLong(long long value) { return [NSString stringWithFormat:@"%lld", value]; }
NSString *DSTextOfDouble(double value) {
  if (value == (double)(long long)value && value < 1e15 && value > -1e15)
    return [NSString stringWithFormat:@"%lld", (long long)value];
  // %.17g with a dot whatever the locale
  char text[40];
  snprintf(text, sizeof text, "%.17g", value);
  for (char *p = text; *p; p++)
    if (*p == ',') *p = '.';
  return [NSString stringWithUTF8String:text];
}
NSString *DSTextOfBool(BOOL value) { return value ? @"true" : @"false"; }

static id Element(NSArray *result, NSUInteger index) {
  if (index >= [result count])
    [DSRESTException raiseMessage:[NSString stringWithFormat:@"The answer has no element %lu", (unsigned long)index]
                           status:0];
  return [result objectAtIndex:index];
}

NSString *DSResultString(NSArray *result, NSUInteger index) {
  id value = Element(result, index);
  if (value == [NSNull null]) return nil;
  if ([value isKindOfClass:[NSString class]]) return value;
  if ([value isKindOfClass:[NSNumber class]]) {
    double d = [value doubleValue];
    return DSTextOfDouble(d);
  }
  return [value description];
}

double DSResultDouble(NSArray *result, NSUInteger index) {
  id value = Element(result, index);
  if ([value isKindOfClass:[NSNumber class]] || [value isKindOfClass:[NSString class]]) return [value doubleValue];
  [DSRESTException raiseMessage:[NSString stringWithFormat:@"Element %lu is not a number", (unsigned long)index]
                         status:0];
  return 0;
}
int DSResultInt(NSArray *result, NSUInteger index) { return (int)DSResultDouble(result, index); }
long long DSResultLong(NSArray *result, NSUInteger index) { return (long long)DSResultDouble(result, index); }

BOOL DSResultBool(NSArray *result, NSUInteger index) {
  id value = Element(result, index);
  if (![value isKindOfClass:[NSNumber class]])
    [DSRESTException raiseMessage:[NSString stringWithFormat:@"Element %lu is not true or false", (unsigned long)index]
                           status:0];
  return [value boolValue];
}

DSTableReader *DSResultTable(NSArray *result, NSUInteger index) {
  return [[[DSTableReader alloc] initWithJSON:Element(result, index)] autorelease];
}

@implementation DSRESTConnection
- (id)initWithHost:(NSString *)aHost port:(int)aPort {
  if ((self = [super init])) {
    protocol = @"http";
    host = [aHost copy];
    port = aPort;
    urlPath = @"";
    context = @"datasnap/rest";
    timeout = 60;
  }
  return self;
}
- (void)dealloc {
  [host release];
  [urlPath release];
  [context release];
  [sessionID release];
  [userName release];
  [password release];
  [super dealloc];
}
- (NSString *)host { return host; }
- (int)port { return port; }
- (void)setUrlPath:(NSString *)path {
  [urlPath release];
  urlPath = [path copy];
}
- (void)setContext:(NSString *)aContext {
  [context release];
  context = [aContext copy];
}
- (void)setTimeout:(NSTimeInterval)seconds { timeout = seconds; }
- (NSString *)sessionID { return sessionID; }
- (void)clearSessionID {
  [sessionID release];
  sessionID = nil;
}
- (void)setUserName:(NSString *)name {
  [userName release];
  userName = [name copy];
}
- (void)setPassword:(NSString *)aPassword {
  [password release];
  password = [aPassword copy];
}
- (NSString *)userName { return userName; }

- (NSString *)methodURL:(NSString *)className request:(NSString *)requestName args:(NSArray *)args {
  NSMutableString *url = [NSMutableString stringWithFormat:@"%@://%@:%d%@/%@/%@/%@", protocol, host, port, urlPath,
                                                           context, DSEncodeSegment(className),
                                                           DSEncodeSegment(requestName)];
  for (NSUInteger i = 0; i < [args count]; i++) [url appendFormat:@"/%@", DSEncodeSegment([args objectAtIndex:i])];
  return url;
}

- (void)keepSession:(NSString *)pragma {
  if (!pragma) return;
  NSArray *items = [pragma componentsSeparatedByString:@","];
  for (NSUInteger i = 0; i < [items count]; i++) {
    NSString *item = [[items objectAtIndex:i]
        stringByTrimmingCharactersInSet:[NSCharacterSet whitespaceCharacterSet]];
    NSRange separator = [item rangeOfString:@"="];
    if (separator.location == NSNotFound || separator.location == 0) continue;
    NSString *name = [[item substringToIndex:separator.location]
        stringByTrimmingCharactersInSet:[NSCharacterSet whitespaceCharacterSet]];
    if ([name caseInsensitiveCompare:@"dssession"] != NSOrderedSame) continue;
    [sessionID release];
    sessionID = [[[item substringFromIndex:separator.location + 1]
        stringByTrimmingCharactersInSet:[NSCharacterSet whitespaceCharacterSet]] copy];
  }
}

- (NSArray *)execute:(NSString *)verb className:(NSString *)className request:(NSString *)requestName
                args:(NSArray *)args {
  NSString *url = [self methodURL:className request:requestName args:args];
  NSString *scheme = [NSString stringWithFormat:@"%@://%@:%d", protocol, host, port];
  NSString *path = [url substringFromIndex:[scheme length]];
  NSMutableString *requestText = [NSMutableString stringWithFormat:
      @"%@ %@ HTTP/1.1\r\nHost: %@:%d\r\nAccept: application/JSON\r\nConnection: close\r\n",
      verb, path, host, port];
  if (sessionID) [requestText appendFormat:@"Pragma: dssession=%@\r\n", sessionID];
  if ([userName length] > 0)
    [requestText appendFormat:@"Authorization: %@\r\n", DSBasicAuthorization(userName, password)];
  if (![verb isEqualToString:@"GET"] && ![verb isEqualToString:@"DELETE"])
    [requestText appendString:@"Content-Length: 0\r\n"];
  [requestText appendString:@"\r\n"];
  NSData *raw = nil;
  NSString *failure = nil;
  if (!Exchange(host, port, requestText, timeout, &raw, &failure))
    [DSRESTException raiseMessage:[NSString stringWithFormat:@"No answer from %@: %@", url, failure] status:0];

  // Status line and headers in ISO-8859-1, the body in UTF-8.
  const char *bytes = [raw bytes];
  NSUInteger length = [raw length], headEnd = 0;
  for (NSUInteger i = 0; i + 3 < length; i++)
    if (memcmp(bytes + i, "\r\n\r\n", 4) == 0) {
      headEnd = i;
      break;
    }
  if (headEnd == 0)
    [DSRESTException raiseMessage:[NSString stringWithFormat:@"No answer from %@: no HTTP head", url] status:0];
  NSString *head = [[[NSString alloc] initWithBytes:bytes length:headEnd encoding:NSISOLatin1StringEncoding]
      autorelease];
  NSArray *lines = [head componentsSeparatedByString:@"\r\n"];
  NSArray *statusParts = [[lines objectAtIndex:0] componentsSeparatedByString:@" "];
  int status = [statusParts count] > 1 ? [[statusParts objectAtIndex:1] intValue] : 0;
  NSUInteger bodyLength = length - headEnd - 4;
  for (NSUInteger i = 1; i < [lines count]; i++) {
    NSString *line = [lines objectAtIndex:i];
    NSRange colon = [line rangeOfString:@":"];
    if (colon.location == NSNotFound) continue;
    NSString *name = [line substringToIndex:colon.location];
    NSString *value = [[line substringFromIndex:colon.location + 1]
        stringByTrimmingCharactersInSet:[NSCharacterSet whitespaceCharacterSet]];
    if ([name caseInsensitiveCompare:@"Pragma"] == NSOrderedSame) [self keepSession:value];
    if ([name caseInsensitiveCompare:@"Content-Length"] == NSOrderedSame && (NSUInteger)[value intValue] < bodyLength)
      bodyLength = (NSUInteger)[value intValue];
    if ([name caseInsensitiveCompare:@"Transfer-Encoding"] == NSOrderedSame)
      [DSRESTException raiseMessage:[NSString stringWithFormat:@"HTTP %d from %@: chunked answers are not read", status, url]
                             status:status];
  }
  NSString *body = [[[NSString alloc] initWithBytes:bytes + headEnd + 4 length:bodyLength
                                           encoding:NSUTF8StringEncoding] autorelease];
  if (!body) body = @"";
  id answer = nil;
  @try {
    answer = [DSJSONParser parse:body];
  } @catch (DSRESTException *e) {
    answer = nil;
  }
  if ([answer isKindOfClass:[DSJSONObject class]]) {
    id message = [answer valueForName:@"error"];
    if ([message isKindOfClass:[NSString class]]) [DSRESTException raiseMessage:message status:status];
    id result = [answer valueForName:@"result"];
    if (status == 200 && [result isKindOfClass:[NSArray class]]) return result;
  }
  [DSRESTException raiseMessage:[NSString stringWithFormat:@"HTTP %d from %@: %@", status, url, body] status:status];
  return nil;
}
@end
