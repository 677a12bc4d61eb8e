package fieldsync.rest;

/**
 * A table as the service sends it: the "table" pair with one description per
 * column (name first, data-type code second), then one array of values per
 * column. Rows are read by index, values by column index or name.
 */
public class DSTableReader {
  private final String[] names;
  private final int[] types;
  private final JSONArray[] columns;
  private final int rowCount;

  public DSTableReader(JSONObject table) throws DSRESTException {
    Object descriptions = table.get("table");
    if (!(descriptions instanceof JSONArray)) throw new DSRESTException("Not a table: no \"table\" pair", 0);
    JSONArray list = (JSONArray) descriptions;
    names = new String[list.size()];
    types = new int[list.size()];
    columns = new JSONArray[list.size()];
    for (int i = 0; i < list.size(); i++) {
      JSONArray description = list.getArray(i);
      names[i] = description.getString(0);
      types[i] = description.getInt(1);
      // The values of column i are the pair after the descriptions at i + 1,
      // which also holds when two columns share a name.
      if (i + 1 >= table.size() || !(table.getValue(i + 1) instanceof JSONArray))
        throw new DSRESTException("Table column " + names[i] + " has no values", 0);
      columns[i] = (JSONArray) table.getValue(i + 1);
    }
    rowCount = columns.length == 0 ? 0 : columns[0].size();
  }

  public int getColumnCount() {
    return names.length;
  }

  public String getColumnName(int column) {
    return names[column];
  }

  /** The column's data-type code (26 text, 6 integer, 8 decimal, 24 timestamp, ...). */
  public int getColumnType(int column) {
    return types[column];
  }

  /** The index of the column of that name (letter case ignored); -1 when there is none. */
  public int columnIndex(String name) {
    for (int i = 0; i < names.length; i++)
      if (names[i].equalsIgnoreCase(name)) return i;
    return -1;
  }

  public int getRowCount() {
    return rowCount;
  }

  private int column(String name) throws DSRESTException {
    int index = columnIndex(name);
    if (index < 0) throw new DSRESTException("No column " + name, 0);
    return index;
  }

  public boolean isNull(int row, int column) {
    return columns[column].isNull(row);
  }

  public Object getValue(int row, int column) {
    return columns[column].get(row);
  }

  public String getString(int row, int column) throws DSRESTException {
    return columns[column].getString(row);
  }

  public String getString(int row, String name) throws DSRESTException {
    return getString(row, column(name));
  }

  public int getInt(int row, int column) throws DSRESTException {
    return columns[column].getInt(row);
  }

  public int getInt(int row, String name) throws DSRESTException {
    return getInt(row, column(name));
  }

  public double getDouble(int row, int column) throws DSRESTException {
    return columns[column].getDouble(row);
  }

  public double getDouble(int row, String name) throws DSRESTException {
    return getDouble(row, column(name));
  }

  public boolean getBoolean(int row, String name) throws DSRESTException {
    return columns[column(name)].getBoolean(row);
  }
}
