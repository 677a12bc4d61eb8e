// A table as the service sends it: the "table" pair with one description per
// column (name first, data-type code second), then one array of values per
// column. Rows are read by index, values by column index or name.
#import <Foundation/Foundation.h>
#import "DSJSON.h"

@interface DSTableReader : NSObject {
  NSMutableArray *names;
  NSMutableArray *types;
  NSMutableArray *columns;
  NSUInteger rowCount;
}
// Raises DSRESTException when the object is not a table.
- (id)initWithJSON:(DSJSONObject *)table;
- (NSUInteger)columnCount;
- (NSUInteger)rowCount;
- (NSString *)columnName:(NSUInteger)column;
// The column's data-type code (26 text, 6 integer, 8 decimal, 24 timestamp, ...).
- (int)columnType:(NSUInteger)column;
// The index of the column of that name (letter case ignored); NSNotFound when there is none.
- (NSUInteger)columnIndex:(NSString *)name;
- (BOOL)isNull:(NSUInteger)row column:(NSUInteger)column;
- (id)value:(NSUInteger)row column:(NSUInteger)column;
// A text, or the number's text; nil for null.
- (NSString *)stringAt:(NSUInteger)row column:(NSUInteger)column;
- (NSString *)stringAt:(NSUInteger)row name:(NSString *)name;
- (int)intAt:(NSUInteger)row name:(NSString *)name;
- (double)doubleAt:(NSUInteger)row name:(NSString *)name;
@end
