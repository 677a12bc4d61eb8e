{ Where the service is (host, port, the path before "/datasnap/rest") and the
  session it gave: the "dssession" item of the answers' "Pragma" header is
  sent back on every later call. A UserName, when set, goes with its Password
  as HTTP Basic credentials on every call (a service that requires a login
  answers 401 without them); with none set no "Authorization" header is
  sent. Calls go over HTTP with fphttpclient and
  their answers are read with fpjson; an answer with the "error" pair raises
  EDSRESTException with the service's message. }
unit DSRESTConnection;

{$mode objfpc}{$H+}

interface

uses
  Classes, SysUtils, fpjson;

type
  EDSRESTException = class(Exception)
  private
    FStatus: Integer;
  public
    constructor CreateStatus(const AMessage: string; AStatus: Integer);
    { The HTTP status of the answer; 0 when no answer arrived. }
    property Status: Integer read FStatus;
  end;

  TDSRESTConnection = class
  private
    FProtocol: string;
    FHost: string;
    FPort: Integer;
    FUrlPath: string;
    FContext: string;
    FSessionID: string;
    FUserName: string;
    FPassword: string;
    procedure KeepSession(const Pragma: string);
  public
    constructor Create(const AHost: string; APort: Integer);
    { The URL of a call: .../datasnap/rest/Class/Method/arg1/arg2. }
    function MethodURL(const AClassName, ARequestName: string; const Args: array of string): string;
    { Calls a method and returns the "result" array of its answer; the caller
      frees it. }
    function Execute(const Verb, AClassName, ARequestName: string; const Args: array of string): TJSONArray;
    { Forgets the session: the next call starts a new one. }
    procedure ClearSessionID;
    property Protocol: string read FProtocol write FProtocol;
    property Host: string read FHost write FHost;
    property Port: Integer read FPort write FPort;
    { The path before the REST context, '' or '/something'. }
    property UrlPath: string read FUrlPath write FUrlPath;
    property Context: string read FContext write FContext;
    property SessionID: string read FSessionID;
    { The login sent with every call; '' sends none. }
    property UserName: string read FUserName write FUserName;
    property Password: string read FPassword write FPassword;
  end;

{ The argument texts of the generated methods. }
function TextOf(const Value: string): string; overload;
function TextOf(Value: Integer): string; overload;
function TextOf(Value: Int64): string; overload;
function TextOf(Value: Double): string; overload;
function TextOf(Value: Boolean): string; overload;
{ A path segment: every byte of the UTF-8 text but letters, digits and "-_.~" as %XX. }
function EncodeSegment(const Value: string): string;
{ The "Authorization" value: 'Basic ' and the Base64 form of the UTF-8 bytes
  of 'user:password'. }
function BasicAuthorization(const AUserName, APassword: string): string;

{ Typed elements of a result array. }
function ResultString(AResult: TJSONArray; Index: Integer): string;
function ResultInteger(AResult: TJSONArray; Index: Integer): Integer;
function ResultInt64(AResult: TJSONArray; Index: Integer): Int64;
function ResultDouble(AResult: TJSONArray; Index: Integer): Double;
function ResultBoolean(AResult: TJSONArray; Index: Integer): Boolean;

implementation

uses
  base64, fphttpclient, jsonparser;

constructor EDSRESTException.CreateStatus(const AMessage: string; AStatus: Integer);
begin
  inherited Create(AMessage);
  FStatus := AStatus;
end;

function TextOf(const Value: string): string;
begin
  Result := Value;
end;

function TextOf(Value: Integer): string;
begin
  Result := IntToStr(Value);
end;

function TextOf(Value: Int64): string;
begin
  Result := IntToStr(Value);
end;

function TextOf(Value: Double): string;
var
  Format: TFormatSettings;
begin
  Format := DefaultFormatSettings;
  Format.DecimalSeparator := '.';
  if (Frac(Value) = 0) and (Abs(Value) < 1e15) then
    Result := IntToStr(Trunc(Value))
  else
    Result := FloatToStr(Value, Format);
end;

function TextOf(Value: Boolean): string;
begin
  if Value then Result := 'true' else Result := 'false';
end;

function EncodeSegment(const Value: string): string;
const
  Hex = '0123456789ABCDEF';
var
  Bytes: RawByteString;
  I: Integer;
  B: Byte;
begin
  { The text's bytes in UTF-8: kept as they are when the text already is
    UTF-8, converted from its code page otherwise (which on Unix needs the
    cwstring unit in the program). }
  Bytes := Value;
  SetCodePage(Bytes, CP_UTF8, True);
  Result := '';
  for I := 1 to Length(Bytes) do
  begin
    B := Ord(Bytes[I]);
    if Chr(B) in ['A'..'Z', 'a'..'z', '0'..'9', '-', '_', '.', '~'] then
      Result := Result + Chr(B)
    else
      Result := Result + '%' + Hex[B shr 4 + 1] + Hex[B and 15 + 1];
  end;
end;

function BasicAuthorization(const AUserName, APassword: string): string;
var
  Bytes: RawByteString;
begin
  { UTF-8 as in EncodeSegment. }
  Bytes := AUserName + ':' + APassword;
  SetCodePage(Bytes, CP_UTF8, True);
  Result := 'Basic ' + EncodeStringBase64(Bytes);
end;

function Element(AResult: TJSONArray; Index: Integer): TJSONData;
begin
  if (Index < 0) or (Index >= AResult.Count) then
    raise EDSRESTException.CreateStatus('The answer has no element ' + IntToStr(Index), 0);
  Result := AResult.Items[Index];
end;

function ResultString(AResult: TJSONArray; Index: Integer): string;
begin
  if Element(AResult, Index).JSONType = jtNull then Result := ''
  else Result := Element(AResult, Index).AsString;
end;

function ResultInteger(AResult: TJSONArray; Index: Integer): Integer;
begin
  Result := Element(AResult, Index).AsInteger;
end;

function ResultInt64(AResult: TJSONArray; Index: Integer): Int64;
begin
  Result := Element(AResult, Index).AsInt64;
end;

function ResultDouble(AResult: TJSONArray; Index: Integer): Double;
begin
  Result := Element(AResult, Index).AsFloat;
end;

function ResultBoolean(AResult: TJSONArray; Index: Integer): Boolean;
begin
  if Element(AResult, Index).JSONType <> jtBoolean then
    raise EDSRESTException.CreateStatus('Element ' + IntToStr(Index) + ' is not true or false', 0);
  Result := Element(AResult, Index).AsBoolean;
end;

constructor TDSRESTConnection.Create(const AHost: string; APort: Integer);
begin
  inherited Create;
  FProtocol := 'http';
  FHost := AHost;
  FPort := APort;
  FUrlPath := '';
  FContext := 'datasnap/rest';
end;

procedure TDSRESTConnection.ClearSessionID;
begin
  FSessionID := '';
end;

function TDSRESTConnection.MethodURL(const AClassName, ARequestName: string;
  const Args: array of string): string;
var
  I: Integer;
begin
  Result := FProtocol + '://' + FHost + ':' + IntToStr(FPort) + FUrlPath + '/' + FContext + '/' +
    EncodeSegment(AClassName) + '/' + EncodeSegment(ARequestName);
  for I := 0 to High(Args) do
    Result := Result + '/' + EncodeSegment(Args[I]);
end;

procedure TDSRESTConnection.KeepSession(const Pragma: string);
var
  Items: TStringList;
  I, Separator: Integer;
  Item: string;
begin
  Items := TStringList.Create;
  try
    Items.Delimiter := ',';
    Items.StrictDelimiter := True;
    Items.DelimitedText := Pragma;
    for I := 0 to Items.Count - 1 do
    begin
      Item := Trim(Items[I]);
      Separator := Pos('=', Item);
      if (Separator > 1) and SameText(Trim(Copy(Item, 1, Separator - 1)), 'dssession') then
        FSessionID := Trim(Copy(Item, Separator + 1, MaxInt));
    end;
  finally
    Items.Free;
  end;
end;

function TDSRESTConnection.Execute(const Verb, AClassName, ARequestName: string;
  const Args: array of string): TJSONArray;
var
  Client: TFPHTTPClient;
  Body: TStringStream;
  URL, Text: string;
  Status: Integer;
  Answer, Error, Found: TJSONData;
begin
  URL := MethodURL(AClassName, ARequestName, Args);
  Client := TFPHTTPClient.Create(nil);
  Body := TStringStream.Create('');
  try
    Client.AddHeader('Accept', 'application/JSON');
    if FSessionID <> '' then Client.AddHeader('Pragma', 'dssession=' + FSessionID);
    if FUserName <> '' then Client.AddHeader('Authorization', BasicAuthorization(FUserName, FPassword));
    try
      Client.HTTPMethod(Verb, URL, Body, []);
    except
      on E: Exception do
        raise EDSRESTException.CreateStatus('No answer from ' + URL + ': ' + E.Message, 0);
    end;
    Status := Client.ResponseStatusCode;
    KeepSession(Client.GetHeader(Client.ResponseHeaders, 'Pragma'));
    Text := Body.DataString;
  finally
    Body.Free;
    Client.Free;
  end;
  try
    Answer := GetJSON(Text);
  except
    raise EDSRESTException.CreateStatus('HTTP ' + IntToStr(Status) + ' from ' + URL + ': ' + Text, Status);
  end;
  try
    if Answer is TJSONObject then
    begin
      Error := TJSONObject(Answer).Find('error');
      if (Error <> nil) and (Error.JSONType = jtString) then
        raise EDSRESTException.CreateStatus(Error.AsString, Status);
      Found := TJSONObject(Answer).Find('result');
      if (Status = 200) and (Found is TJSONArray) then
        Exit(TJSONArray(TJSONObject(Answer).Extract('result')));
    end;
    raise EDSRESTException.CreateStatus('HTTP ' + IntToStr(Status) + ' from ' + URL + ': ' + Text, Status);
  finally
    Answer.Free;
  end;
end;

end.
