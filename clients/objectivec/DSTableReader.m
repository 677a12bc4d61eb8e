#import "DSTableReader.h"
#import "DSRESTConnection.h"
#import "DSRESTException.h"

@implementation DSTableReader
- (id)initWithJSON:(DSJSONObject *)table {
  if (!(self = [super init])) return nil;
  names = [NSMutableArray new];
  types = [NSMutableArray new];
  columns = [NSMutableArray new];
  id descriptions = [table isKindOfClass:[DSJSONObject class]] ? [table valueForName:@"table"] : nil;
  if (![descriptions isKindOfClass:[NSArray class]]) {
    [self release];
    [DSRESTException raiseMessage:@"Not a table: no \"table\" pair" status:0];
  }
  for (NSUInteger i = 0; i < [descriptions count]; i++) {
    NSArray *description = [descriptions objectAtIndex:i];
    [names addObject:[description objectAtIndex:0]];
    [types addObject:[description objectAtIndex:1]];
    // Column i's values are the pair after the descriptions at i + 1, which
    // also holds when two columns share a name.
    id values = i + 1 < [table count] ? [table valueAtIndex:i + 1] : nil;
    if (![values isKindOfClass:[NSArray class]]) {
      NSString *message = [NSString stringWithFormat:@"Table column %@ has no values", [names lastObject]];
      [self release];
      [DSRESTException raiseMessage:message status:0];
    }
    [columns addObject:values];
  }
  rowCount = [columns count] ? [[columns objectAtIndex:0] count] : 0;
  return self;
}
- (void)dealloc {
  [names release];
  [types release];
  [columns release];
  [super dealloc];
}
- (NSUInteger)columnCount { return [names count]; }
- (NSUInteger)rowCount { return rowCount; }
- (NSString *)columnName:(NSUInteger)column { return [names objectAtIndex:column]; }
- (int)columnType:(NSUInteger)column { return [[types objectAtIndex:column] intValue]; }
- (NSUInteger)columnIndex:(NSString *)name {
  for (NSUInteger i = 0; i < [names count]; i++)
    if ([[names objectAtIndex:i] caseInsensitiveCompare:name] == NSOrderedSame) return i;
  return NSNotFound;
}
- (NSUInteger)column:(NSString *)name {
  NSUInteger index = [self columnIndex:name];
  if (index == NSNotFound) [DSRESTException raiseMessage:[@"No column " stringByAppendingString:name] status:0];
  return index;
}
- (id)value:(NSUInteger)row column:(NSUInteger)column {
  return [[columns objectAtIndex:column] objectAtIndex:row];
}
- (BOOL)isNull:(NSUInteger)row column:(NSUInteger)column {
  return [self value:row column:column] == [NSNull null];
}
- (NSString *)stringAt:(NSUInteger)row column:(NSUInteger)column {
  return DSResultString([columns objectAtIndex:column], row);
}
- (NSString *)stringAt:(NSUInteger)row name:(NSString *)name {
  return [self stringAt:row column:[self column:name]];
}
- (int)intAt:(NSUInteger)row name:(NSString *)name {
  return DSResultInt([columns objectAtIndex:[self column:name]], row);
}
- (double)doubleAt:(NSUInteger)row name:(NSString *)name {
  return DSResultDouble([columns objectAtIndex:[self column:name]], row);
}
@end
