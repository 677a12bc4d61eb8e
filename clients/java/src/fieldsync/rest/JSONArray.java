package fieldsync.rest;

import java.util.Vector;

/** A JSON array with typed access to its elements. */
public class JSONArray {
  private final Vector items = new Vector();

  public void add(Object value) {
    items.addElement(value);
  }

  public int size() {
    return items.size();
  }

  public Object get(int index) {
    return items.elementAt(index);
  }

  public boolean isNull(int index) {
    return get(index) == JSONObject.NULL;
  }

  public String getString(int index) throws DSRESTException {
    Object value = get(index);
    if (value == JSONObject.NULL) return null;
    if (value instanceof String) return (String) value;
    if (value instanceof Double) return JSONParser.numberText(((Double) value).doubleValue());
    return value.toString();
  }

  public double getDouble(int index) throws DSRESTException {
    Object value = get(index);
    if (value instanceof Double) return ((Double) value).doubleValue();
    if (value instanceof String) {
      try {
        return Double.parseDouble((String) value);
      } catch (NumberFormatException e) {
        // reported below
      }
    }
    throw new DSRESTException("Element " + index + " is not a number: " + value, 0);
  }

  public int getInt(int index) throws DSRESTException {
    return (int) getDouble(index);
  }

  public long getLong(int index) throws DSRESTException {
    return (long) getDouble(index);
  }

  public boolean getBoolean(int index) throws DSRESTException {
    Object value = get(index);
    if (value instanceof Boolean) return ((Boolean) value).booleanValue();
    throw new DSRESTException("Element " + index + " is not true or false: " + value, 0);
  }

  public JSONObject getObject(int index) throws DSRESTException {
    Object value = get(index);
    if (value instanceof JSONObject) return (JSONObject) value;
    throw new DSRESTException("Element " + index + " is not an object: " + value, 0);
  }

  public JSONArray getArray(int index) throws DSRESTException {
    Object value = get(index);
    if (value instanceof JSONArray) return (JSONArray) value;
    throw new DSRESTException("Element " + index + " is not an array: " + value, 0);
  }

  public DSTableReader getTable(int index) throws DSRESTException {
    return new DSTableReader(getObject(index));
  }
}
