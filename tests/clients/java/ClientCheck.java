// Calls the live service through the generated Java client and prints what
// came back, one "name=value" line each, for the end-to-end test to compare
// with the service's own answers. Usage: ClientCheck host port orderNumber
// [user password]: with a login, every call sends it, and one more call
// without it ends the lines ("denied=status:message").
import java.io.PrintStream;

import fieldsync.proxy.DSProxy;
import fieldsync.rest.*;

public class ClientCheck {
  public static void main(String[] args) throws Exception {
    PrintStream out = new PrintStream(System.out, true, "UTF-8");
    DSRESTConnection connection = new DSRESTConnection(args[0], Integer.parseInt(args[1]));
    if (args.length > 4) {
      connection.setUserName(args[3]);
      connection.setPassword(args[4]);
    }
    int order = Integer.parseInt(args[2]);
    DSProxy.TServerMethods1 server = new DSProxy.TServerMethods1(connection);

    out.println("echo=" + server.EchoString("ação / 100% ok?"));
    String session = connection.getSessionID();
    out.println("session=" + (session != null && session.length() > 0));

    DSTableReader table = server.GetAtividade();
    out.println("columns=" + table.getColumnCount());
    for (int c = 0; c < table.getColumnCount(); c++)
      out.println("column=" + table.getColumnName(c) + ":" + table.getColumnType(c));
    out.println("rows=" + table.getRowCount());
    for (int r = 0; r < table.getRowCount(); r++)
      out.println("row=" + table.getString(r, "IDATIVIDADE") + ":" + table.getString(r, 1));
    out.println("same_session=" + session.equals(connection.getSessionID()));

    StringHolder erro = new StringHolder();
    boolean written = server.SetPedido(1, order, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, "10/12/2026", "x", "x", "x",
        "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", 2.5, erro);
    out.println("write=" + written + ":" + erro.value);
    erro = new StringHolder("unchanged");
    written = server.SetPedido(1, order + 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, "notadate", "x", "x", "x",
        "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", 2.5, erro);
    out.println("refused=" + written + ":" + erro.value);

    try {
      connection.execute("GET", "TServerMethods1", "EchoString", new String[] {"a", "b"});
      out.println("error=none");
    } catch (DSRESTException e) {
      out.println("error=" + e.getStatus() + ":" + e.getMessage());
    }

    if (args.length > 4) {
      DSRESTConnection anonymous = new DSRESTConnection(args[0], Integer.parseInt(args[1]));
      try {
        new DSProxy.TServerMethods1(anonymous).EchoString("x");
        out.println("denied=none");
      } catch (DSRESTException e) {
        out.println("denied=" + e.getStatus() + ":" + e.getMessage());
      }
    }
  }
}
