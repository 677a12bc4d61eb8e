// Calls the live service through the generated C# client and prints what
// came back, one "name=value" line each, for the end-to-end test to compare
// with the service's own answers. Usage: ClientCheck host port orderNumber
// [user password]: with a login, every call sends it, and one more call
// without it ends the lines ("denied=status:message").
using System;
using System.IO;
using System.Text;
using Fieldsync.Proxy;
using Fieldsync.Rest;

public static class ClientCheck
{
    public static void Main(string[] args)
    {
        var output = new StreamWriter(Console.OpenStandardOutput(), new UTF8Encoding(false));
        output.AutoFlush = true;
        output.NewLine = "\n";
        var connection = new DSRESTConnection(args[0], int.Parse(args[1]));
        if (args.Length > 4)
        {
            connection.UserName = args[3];
            connection.Password = args[4];
        }
        int order = int.Parse(args[2]);
        var server = new TServerMethods1(connection);

        output.WriteLine("echo=" + server.EchoString("ação / 100% ok?"));
        string session = connection.SessionID;
        output.WriteLine("session=" + (!string.IsNullOrEmpty(session) ? "true" : "false"));

        DSTableReader table = server.GetAtividade();
        output.WriteLine("columns=" + table.ColumnCount);
        for (int c = 0; c < table.ColumnCount; c++)
            output.WriteLine("column=" + table.ColumnName(c) + ":" + table.ColumnType(c));
        output.WriteLine("rows=" + table.RowCount);
        for (int r = 0; r < table.RowCount; r++)
            output.WriteLine("row=" + table.GetString(r, "IDATIVIDADE") + ":" + table.GetString(r, 1));
        output.WriteLine("same_session=" + (session == connection.SessionID ? "true" : "false"));

        string erro;
        bool written = server.SetPedido(1, order, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, "10/12/2026", "x", "x", "x",
            "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", 2.5, out erro);
        output.WriteLine("write=" + (written ? "true" : "false") + ":" + erro);
        written = server.SetPedido(1, order + 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, "notadate", "x", "x", "x",
            "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", 2.5, out erro);
        output.WriteLine("refused=" + (written ? "true" : "false") + ":" + erro);

        try
        {
            connection.Execute("GET", "TServerMethods1", "EchoString", new string[] { "a", "b" });
            output.WriteLine("error=none");
        }
        catch (DSRESTException e)
        {
            output.WriteLine("error=" + e.Status + ":" + e.Message);
        }

        if (args.Length > 4)
        {
            try
            {
                new TServerMethods1(new DSRESTConnection(args[0], int.Parse(args[1]))).EchoString("x");
                output.WriteLine("denied=none");
            }
            catch (DSRESTException e)
            {
                output.WriteLine("denied=" + e.Status + ":" + e.Message);
            }
        }
    }
}
