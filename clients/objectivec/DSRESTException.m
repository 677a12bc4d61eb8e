#import "DSRESTException.h"

@implementation DSRESTException
+ (void)raiseMessage:(NSString *)message status:(int)status {
  NSDictionary *info = [NSDictionary dictionaryWithObject:[NSNumber numberWithInt:status] forKey:@"status"];
  @throw [[[DSRESTException alloc] initWithName:@"DSRESTException" reason:message userInfo:info] autorelease];
}
- (int)status {
  return [[[self userInfo] objectForKey:@"status"] intValue];
}
@end
