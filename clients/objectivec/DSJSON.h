// JSON for the client (the platform has no JSON reader of its own): objects
// keep their pairs in order and may repeat a name; arrays are NSArray,
// strings NSString, numbers and true/false NSNumber, null NSNull.
#import <Foundation/Foundation.h>

@interface DSJSONObject : NSObject {
  NSMutableArray *names;
  NSMutableArray *values;
}
- (void)addName:(NSString *)name value:(id)value;
- (NSUInteger)count;
- (NSString *)nameAtIndex:(NSUInteger)index;
- (id)valueAtIndex:(NSUInteger)index;
// The value of the first pair with that name; nil when there is none.
- (id)valueForName:(NSString *)name;
@end

@interface DSJSONParser : NSObject
// The value of the text; raises DSRESTException when it is not JSON.
+ (id)parse:(NSString *)text;
@end
