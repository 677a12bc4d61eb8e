#import "DSJSON.h"
#import "DSRESTException.h"

@implementation DSJSONObject
- (id)init {
  if ((self = [super init])) {
    names = [NSMutableArray new];
    values = [NSMutableArray new];
  }
  return self;
}
- (void)dealloc {
  [names release];
  [values release];
  [super dealloc];
}
- (void)addName:(NSString *)name value:(id)value {
  [names addObject:name];
  [values addObject:value];
}
- (NSUInteger)count { return [names count]; }
- (NSString *)nameAtIndex:(NSUInteger)index { return [names objectAtIndex:index]; }
- (id)valueAtIndex:(NSUInteger)index { return [values objectAtIndex:index]; }
- (id)valueForName:(NSString *)name {
  NSUInteger index = [names indexOfObject:name];
  return index == NSNotFound ? nil : [values objectAtIndex:index];
}
@end

@interface DSJSONReader : NSObject {
 @public
  NSString *text;
  NSUInteger pos;
}
- (id)value;
@end

@implementation DSJSONReader
- (void)fail:(NSString *)what {
  [DSRESTException raiseMessage:[NSString stringWithFormat:@"Invalid JSON at position %lu: %@",
                                                           (unsigned long)pos, what]
                         status:0];
}
- (void)skipBlanks {
  while (pos < [text length]) {
    unichar c = [text characterAtIndex:pos];
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
    pos++;
  }
}
- (unichar)next {
  if (pos >= [text length]) [self fail:@"unexpected end"];
  return [text characterAtIndex:pos++];
}
- (void)expect:(NSString *)word {
  if (pos + [word length] > [text length] ||
      ![[text substringWithRange:NSMakeRange(pos, [word length])] isEqualToString:word])
    [self fail:[@"expected " stringByAppendingString:word]];
  pos += [word length];
}
- (NSString *)string {
  NSMutableString *out = [NSMutableString string];
  pos++;
  for (;;) {
    unichar c = [self next];
    if (c == '"') return out;
    if (c != '\\') {
      [out appendFormat:@"%C", c];
      continue;
    }
    unichar e = [self next];
    switch (e) {
      case '"': [out appendString:@"\""]; break;
      case '\\': [out appendString:@"\\"]; break;
      case '/': [out appendString:@"/"]; break;
      case 'b': [out appendString:@"\b"]; break;
      case 'f': [out appendString:@"\f"]; break;
      case 'n': [out appendString:@"\n"]; break;
      case 'r': [out appendString:@"\r"]; break;
      case 't': [out appendString:@"\t"]; break;
      case 'u': {
        if (pos + 4 > [text length]) [self fail:@"short \\u escape"];
        unsigned code = 0;
        NSScanner *scanner = [NSScanner scannerWithString:[text substringWithRange:NSMakeRange(pos, 4)]];
        if (![scanner scanHexInt:&code] || ![scanner isAtEnd]) [self fail:@"bad \\u escape"];
        [out appendFormat:@"%C", (unichar)code];
        pos += 4;
        break;
      }
      default: [self fail:@"bad escape"];
    }
  }
}
- (NSNumber *)number {
  NSUInteger start = pos;
  NSCharacterSet *chars = [NSCharacterSet characterSetWithCharactersInString:@"+-0123456789.eE"];
  while (pos < [text length] && [chars characterIsMember:[text characterAtIndex:pos]]) pos++;
  NSScanner *scanner = [NSScanner scannerWithString:[text substringWithRange:NSMakeRange(start, pos - start)]];
  double value = 0;
  if (![scanner scanDouble:&value] || ![scanner isAtEnd]) {
    pos = start;
    [self fail:@"bad number"];
  }
  return [NSNumber numberWithDouble:value];
}
- (DSJSONObject *)object {
  DSJSONObject *object = [[DSJSONObject new] autorelease];
  pos++;
  [self skipBlanks];
  if (pos < [text length] && [text characterAtIndex:pos] == '}') {
    pos++;
    return object;
  }
  for (;;) {
    [self skipBlanks];
    if (pos >= [text length] || [text characterAtIndex:pos] != '"') [self fail:@"expected a name"];
    NSString *name = [self string];
    [self skipBlanks];
    if ([self next] != ':') [self fail:@"expected ':'"];
    [self skipBlanks];
    [object addName:name value:[self value]];
    [self skipBlanks];
    unichar c = [self next];
    if (c == '}') return object;
    if (c != ',') [self fail:@"expected ',' or '}'"];
  }
}
- (NSArray *)array {
  NSMutableArray *array = [NSMutableArray array];
  pos++;
  [self skipBlanks];
  if (pos < [text length] && [text characterAtIndex:pos] == ']') {
    pos++;
    return array;
  }
  for (;;) {
    [self skipBlanks];
    [array addObject:[self value]];
    [self skipBlanks];
    unichar c = [self next];
    if (c == ']') return array;
    if (c != ',') [self fail:@"expected ',' or ']'"];
  }
}
- (id)value {
  if (pos >= [text length]) [self fail:@"unexpected end"];
  unichar c = [text characterAtIndex:pos];
  if (c == '{') return [self object];
  if (c == '[') return [self array];
  if (c == '"') return [self string];
  if (c == 't') { [self expect:@"true"]; return [NSNumber numberWithBool:YES]; }
  if (c == 'f') { [self expect:@"false"]; return [NSNumber numberWithBool:NO]; }
  if (c == 'n') { [self expect:@"null"]; return [NSNull null]; }
  if (c == '-' || (c >= '0' && c <= '9')) return [self number];
  [self fail:@"unexpected character"];
  return nil;
}
@end

@implementation DSJSONParser
+ (id)parse:(NSString *)text {
  DSJSONReader *reader = [[DSJSONReader new] autorelease];
  reader->text = text;
  [reader skipBlanks];
  id value = [reader value];
  [reader skipBlanks];
  if (reader->pos != [text length]) [reader fail:@"text after the value"];
  return value;
}
@end
