package fieldsync.rest;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.UnsupportedEncodingException;
import java.net.HttpURLConnection;
import java.net.URL;

/**
 * Where the service is (host, port, the path before "/datasnap/rest") and
 * the session it gave: the "dssession" item of the answers' "Pragma" header
 * is sent back on every later call. A user name, when set, goes with its
 * password as HTTP Basic credentials on every call (a service that requires
 * a login answers 401 without them); with none set no "Authorization"
 * header is sent. The HTTP transport is in this class alone (java.net); a
 * platform without java.net replaces execute()'s exchange.
 */
public class DSRESTConnection {
  private String protocol = "http";
  private String host = "localhost";
  private int port = 8080;
  private String urlPath = "";
  private String context = "datasnap/rest";
  private int timeoutMillis = 60000;
  private String sessionID;
  private String userName;
  private String password = "";

  public DSRESTConnection() {
  }

  public DSRESTConnection(String host, int port) {
    this.host = host;
    this.port = port;
  }

  public void setProtocol(String protocol) { this.protocol = protocol; }
  public void setHost(String host) { this.host = host; }
  public void setPort(int port) { this.port = port; }
  /** The path before the REST context, "" or "/something". */
  public void setUrlPath(String urlPath) { this.urlPath = urlPath; }
  public void setContext(String context) { this.context = context; }
  public void setTimeoutMillis(int timeoutMillis) { this.timeoutMillis = timeoutMillis; }
  public String getHost() { return host; }
  public int getPort() { return port; }
  public String getSessionID() { return sessionID; }
  /** The login sent with every call; null or "" sends none. */
  public void setUserName(String userName) { this.userName = userName; }
  public void setPassword(String password) { this.password = password == null ? "" : password; }
  public String getUserName() { return userName; }

  /** The "Authorization" value: "Basic " and the Base64 form of the UTF-8 bytes of "user:password". */
  public static String basicAuthorization(String userName, String password) {
    byte[] bytes;
    try {
      bytes = (userName + ":" + password).getBytes("UTF-8");
    } catch (UnsupportedEncodingException e) {
      bytes = (userName + ":" + password).getBytes();
    }
    return "Basic " + java.util.Base64.getEncoder().encodeToString(bytes);
  }
  /** Forgets the session: the next call starts a new one. */
  public void clearSessionID() { sessionID = null; }

  /** The argument texts of the generated methods. */
  public static String text(String value) { return value == null ? "" : value; }
  public static String text(int value) { return Integer.toString(value); }
  public static String text(long value) { return Long.toString(value); }
  public static String text(double value) { return JSONParser.numberText(value); }
  public static String text(boolean value) { return value ? "true" : "false"; }

  /** A path segment: every byte of the UTF-8 text but letters, digits and "-_.~" as %XX. */
  public static String encode(String value) {
    byte[] bytes;
    try {
      bytes = value.getBytes("UTF-8");
    } catch (UnsupportedEncodingException e) {
      bytes = value.getBytes();
    }
    StringBuffer out = new StringBuffer();
    for (int i = 0; i < bytes.length; i++) {
      int b = bytes[i] & 0xFF;
      if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || "-_.~".indexOf(b) >= 0) {
        out.append((char) b);
      } else {
        out.append('%');
        out.append("0123456789ABCDEF".charAt(b >> 4));
        out.append("0123456789ABCDEF".charAt(b & 15));
      }
    }
    return out.toString();
  }

  /** The URL of a call: .../datasnap/rest/Class/Method/arg1/arg2. */
  public String methodURL(String className, String requestName, String[] args) {
    StringBuffer url = new StringBuffer();
    url.append(protocol).append("://").append(host).append(':').append(port).append(urlPath);
    url.append('/').append(context).append('/').append(encode(className)).append('/').append(encode(requestName));
    for (int i = 0; i < args.length; i++) url.append('/').append(encode(args[i]));
    return url.toString();
  }

  /**
   * Calls a method and returns the "result" array of its answer. An answer
   * with the "error" pair raises DSRESTException with the service's message;
   * so does any other answer that is not a result.
   */
  public JSONArray execute(String verb, String className, String requestName, String[] args) throws DSRESTException {
    String url = methodURL(className, requestName, args);
    int status;
    String body;
    HttpURLConnection http = null;
    try {
      http = (HttpURLConnection) new URL(url).openConnection();
      http.setRequestMethod(verb);
      http.setConnectTimeout(timeoutMillis);
      http.setReadTimeout(timeoutMillis);
      http.setUseCaches(false);
      http.setRequestProperty("Accept", "application/JSON");
      if (sessionID != null) http.setRequestProperty("Pragma", "dssession=" + sessionID);
      if (userName != null && userName.length() > 0)
        http.setRequestProperty("Authorization", basicAuthorization(userName, password));
      status = http.getResponseCode();
      InputStream in = status >= 400 ? http.getErrorStream() : http.getInputStream();
      body = in == null ? "" : readAll(in);
      keepSession(http.getHeaderField("Pragma"));
    } catch (IOException e) {
      throw new DSRESTException("No answer from " + url + ": " + e.getMessage(), 0);
    } finally {
      if (http != null) http.disconnect();
    }
    Object answer;
    try {
      answer = JSONParser.parse(body);
    } catch (DSRESTException e) {
      throw new DSRESTException("HTTP " + status + " from " + url + ": " + body, status);
    }
    if (answer instanceof JSONObject) {
      Object error = ((JSONObject) answer).get("error");
      if (error instanceof String) throw new DSRESTException((String) error, status);
      Object result = ((JSONObject) answer).get("result");
      if (status == 200 && result instanceof JSONArray) return (JSONArray) result;
    }
    throw new DSRESTException("HTTP " + status + " from " + url + ": " + body, status);
  }

  private void keepSession(String pragma) {
    if (pragma == null) return;
    int start = 0;
    while (start < pragma.length()) {
      int end = pragma.indexOf(',', start);
      if (end < 0) end = pragma.length();
      String item = pragma.substring(start, end).trim();
      int equals = item.indexOf('=');
      if (equals > 0 && item.substring(0, equals).trim().equalsIgnoreCase("dssession"))
        sessionID = item.substring(equals + 1).trim();
      start = end + 1;
    }
  }

  private static String readAll(InputStream in) throws IOException {
    try {
      ByteArrayOutputStream out = new ByteArrayOutputStream();
      byte[] buffer = new byte[8192];
      int n;
      while ((n = in.read(buffer)) > 0) out.write(buffer, 0, n);
      return new String(out.toByteArray(), "UTF-8");
    } finally {
      in.close();
    }
  }
}
