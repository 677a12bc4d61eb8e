// A call that failed: the service's error message (the exception's reason),
// or the transport's; the HTTP status is 0 when no answer arrived.
#import <Foundation/Foundation.h>

@interface DSRESTException : NSException
+ (void)raiseMessage:(NSString *)message status:(int)status;
- (int)status;
@end
