{ Calls the live service through the generated FreePascal client and prints
  what came back, one "name=value" line each, for the end-to-end test to
  compare with the service's own answers. Usage: ClientCheck host port order
  [user password]: with a login, every call sends it, and one more call
  without it ends the lines ("denied=status:message"). }
program ClientCheck;

{$mode objfpc}{$H+}
{$codepage utf8}

uses
  SysUtils, DSRESTConnection, DSTableReader, DSProxy;

function BoolText(Value: Boolean): string;
begin
  if Value then Result := 'true' else Result := 'false';
end;

var
  Connection, Anonymous: TDSRESTConnection;
  Server, AnonymousServer: TServerMethods1;
  Table: TDSTableReader;
  Session, Erro: string;
  Order, C, R: Integer;
  Written: Boolean;
begin
  // Texts in UTF-8 whatever the locale of the test run (the default on iOS).
  DefaultSystemCodePage := CP_UTF8;
  SetTextCodePage(Output, CP_UTF8);
  Connection := TDSRESTConnection.Create(ParamStr(1), StrToInt(ParamStr(2)));
  if ParamCount > 4 then
  begin
    Connection.UserName := ParamStr(4);
    Connection.Password := ParamStr(5);
  end;
  Order := StrToInt(ParamStr(3));
  Server := TServerMethods1.Create(Connection);
  try
    WriteLn('echo=' + Server.EchoString('ação / 100% ok?'));
    Session := Connection.SessionID;
    WriteLn('session=' + BoolText(Session <> ''));

    Table := Server.GetAtividade;
    try
      WriteLn('columns=' + IntToStr(Table.ColumnCount));
      for C := 0 to Table.ColumnCount - 1 do
        WriteLn('column=' + Table.ColumnName(C) + ':' + IntToStr(Table.ColumnType(C)));
      WriteLn('rows=' + IntToStr(Table.RowCount));
      for R := 0 to Table.RowCount - 1 do
        WriteLn('row=' + Table.GetString(R, 'IDATIVIDADE') + ':' + Table.GetString(R, 1));
    finally
      Table.Free;
    end;
    WriteLn('same_session=' + BoolText(Session = Connection.SessionID));

    Written := Server.SetPedido(1, Order, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, '10/12/2026', 'x', 'x', 'x',
      'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 2.5, Erro);
    WriteLn('write=' + BoolText(Written) + ':' + Erro);
    Written := Server.SetPedido(1, Order + 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 'notadate', 'x', 'x', 'x',
      'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 2.5, Erro);
    WriteLn('refused=' + BoolText(Written) + ':' + Erro);

    try
      Connection.Execute('GET', 'TServerMethods1', 'EchoString', ['a', 'b']).Free;
      WriteLn('error=none');
    except
      on E: EDSRESTException do
        WriteLn('error=' + IntToStr(E.Status) + ':' + E.Message);
    end;

    if ParamCount > 4 then
    begin
      Anonymous := TDSRESTConnection.Create(ParamStr(1), StrToInt(ParamStr(2)));
      AnonymousServer := TServerMethods1.Create(Anonymous);
      try
        try
          AnonymousServer.EchoString('x');
          WriteLn('denied=none');
        except
          on E: EDSRESTException do
            WriteLn('denied=' + IntToStr(E.Status) + ':' + E.Message);
        end;
      finally
        AnonymousServer.Free;
        Anonymous.Free;
      end;
    end;
  finally
    Server.Free;
    Connection.Free;
  end;
end.
