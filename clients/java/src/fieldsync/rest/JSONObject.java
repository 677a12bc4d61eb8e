package fieldsync.rest;

import java.util.Vector;

/**
 * A JSON object as received: its pairs in their order. A name may occur
 * more than once (a table with two columns of the same name).
 */
public class JSONObject {
  /** The JSON null value. */
  public static final Object NULL = new Object() {
    public String toString() {
      return "null";
    }
  };

  private final Vector names = new Vector();
  private final Vector values = new Vector();

  public void add(String name, Object value) {
    names.addElement(name);
    values.addElement(value);
  }

  public int size() {
    return names.size();
  }

  public String getName(int index) {
    return (String) names.elementAt(index);
  }

  public Object getValue(int index) {
    return values.elementAt(index);
  }

  /** The value of the first pair with that name, or null when there is none. */
  public Object get(String name) {
    int index = names.indexOf(name);
    return index < 0 ? null : values.elementAt(index);
  }
}
