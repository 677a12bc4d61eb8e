package fieldsync.rest;

/**
 * Reads JSON text into JSONObject, JSONArray, String, Double, Boolean and
 * JSONObject.NULL.
 */
public class JSONParser {
  private final String text;
  private int pos;

  private JSONParser(String text) {
    this.text = text;
  }

  public static Object parse(String text) throws DSRESTException {
    JSONParser parser = new JSONParser(text);
    parser.skipBlanks();
    Object value = parser.value();
    parser.skipBlanks();
    if (parser.pos != text.length()) throw parser.error("text after the value");
    return value;
  }

  /** A number as JSON writes it: whole numbers without a fraction. */
  public static String numberText(double value) {
    if (value == Math.floor(value) && Math.abs(value) < 1e15) return Long.toString((long) value);
    return Double.toString(value);
  }

  private DSRESTException error(String what) {
    return new DSRESTException("Invalid JSON at position " + pos + ": " + what, 0);
  }

  private void skipBlanks() {
    while (pos < text.length() && " \t\r\n".indexOf(text.charAt(pos)) >= 0) pos++;
  }

  private char next() throws DSRESTException {
    if (pos >= text.length()) throw error("unexpected end");
    return text.charAt(pos++);
  }

  private void expect(String word) throws DSRESTException {
    if (!text.startsWith(word, pos)) throw error("expected " + word);
    pos += word.length();
  }

  private Object value() throws DSRESTException {
    if (pos >= text.length()) throw error("unexpected end");
    char c = text.charAt(pos);
    if (c == '{') return object();
    if (c == '[') return array();
    if (c == '"') return string();
    if (c == 't') { expect("true"); return Boolean.TRUE; }
    if (c == 'f') { expect("false"); return Boolean.FALSE; }
    if (c == 'n') { expect("null"); return JSONObject.NULL; }
    if (c == '-' || (c >= '0' && c <= '9')) return number();
    throw error("unexpected character '" + c + "'");
  }

  private JSONObject object() throws DSRESTException {
    JSONObject object = new JSONObject();
    pos++;
    skipBlanks();
    if (pos < text.length() && text.charAt(pos) == '}') { pos++; return object; }
    while (true) {
      skipBlanks();
      if (pos >= text.length() || text.charAt(pos) != '"') throw error("expected a name");
      String name = string();
      skipBlanks();
      if (next() != ':') throw error("expected ':'");
      skipBlanks();
      object.add(name, value());
      skipBlanks();
      char c = next();
      if (c == '}') return object;
      if (c != ',') throw error("expected ',' or '}'");
    }
  }

  private JSONArray array() throws DSRESTException {
    JSONArray array = new JSONArray();
    pos++;
    skipBlanks();
    if (pos < text.length() && text.charAt(pos) == ']') { pos++; return array; }
    while (true) {
      skipBlanks();
      array.add(value());
      skipBlanks();
      char c = next();
      if (c == ']') return array;
      if (c != ',') throw error("expected ',' or ']'");
    }
  }

  private String string() throws DSRESTException {
    StringBuffer out = new StringBuffer();
    pos++;
    while (true) {
      char c = next();
      if (c == '"') return out.toString();
      if (c != '\\') { out.append(c); continue; }
      char e = next();
      switch (e) {
        case '"': out.append('"'); break;
        case '\\': out.append('\\'); break;
        case '/': out.append('/'); break;
        case 'b': out.append('\b'); break;
        case 'f': out.append('\f'); break;
        case 'n': out.append('\n'); break;
        case 'r': out.append('\r'); break;
        case 't': out.append('\t'); break;
        case 'u':
          if (pos + 4 > text.length()) throw error("short \\u escape");
          try {
            out.append((char) Integer.parseInt(text.substring(pos, pos + 4), 16));
          } catch (NumberFormatException ex) {
            throw error("bad \\u escape");
          }
          pos += 4;
          break;
        default: throw error("bad escape \\" + e);
      }
    }
  }

  private Double number() throws DSRESTException {
    int start = pos;
    while (pos < text.length() && "+-0123456789.eE".indexOf(text.charAt(pos)) >= 0) pos++;
    try {
      return Double.valueOf(Double.parseDouble(text.substring(start, pos)));
    } catch (NumberFormatException e) {
      pos = start;
      throw error("bad number");
    }
  }
}
