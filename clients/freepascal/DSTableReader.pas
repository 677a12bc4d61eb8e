{ A table as the service sends it: the "table" pair with one description per
  column (name first, data-type code second), then one array of values per
  column. Rows are read by index, values by column index or name. }
unit DSTableReader;

{$mode objfpc}{$H+}

interface

uses
  SysUtils, fpjson, DSRESTConnection;

type
  TDSTableReader = class
  private
    FTable: TJSONObject;
    FNames: array of string;
    FTypes: array of Integer;
    FColumns: array of TJSONArray;
    FRowCount: Integer;
    function Column(const Name: string): Integer;
    function Value(Row, AColumn: Integer): TJSONData;
  public
    { Takes the table out of the array element, which then holds null. }
    constructor Create(AResult: TJSONArray; Index: Integer);
    destructor Destroy; override;
    function ColumnCount: Integer;
    function RowCount: Integer;
    function ColumnName(AColumn: Integer): string;
    { The column's data-type code (26 text, 6 integer, 8 decimal, 24 timestamp, ...). }
    function ColumnType(AColumn: Integer): Integer;
    { The index of the column of that name (letter case ignored); -1 when there is none. }
    function ColumnIndex(const Name: string): Integer;
    function IsNull(Row, AColumn: Integer): Boolean;
    function GetString(Row, AColumn: Integer): string; overload;
    function GetString(Row: Integer; const Name: string): string; overload;
    function GetInteger(Row, AColumn: Integer): Integer; overload;
    function GetInteger(Row: Integer; const Name: string): Integer; overload;
    function GetDouble(Row, AColumn: Integer): Double; overload;
    function GetDouble(Row: Integer; const Name: string): Double; overload;
  end;

{ The table of a result array element; the caller frees it. }
function ResultTable(AResult: TJSONArray; Index: Integer): TDSTableReader;

implementation

function ResultTable(AResult: TJSONArray; Index: Integer): TDSTableReader;
begin
  Result := TDSTableReader.Create(AResult, Index);
end;

constructor TDSTableReader.Create(AResult: TJSONArray; Index: Integer);
var
  Descriptions, Description: TJSONArray;
  Found: TJSONData;
  I: Integer;
begin
  inherited Create;
  if (Index >= AResult.Count) or not (AResult.Items[Index] is TJSONObject) then
    raise EDSRESTException.CreateStatus('Element ' + IntToStr(Index) + ' is not a table', 0);
  FTable := TJSONObject(AResult.Extract(Index));
  Found := FTable.Find('table');
  if not (Found is TJSONArray) then
    raise EDSRESTException.CreateStatus('Not a table: no "table" pair', 0);
  Descriptions := TJSONArray(Found);
  SetLength(FNames, Descriptions.Count);
  SetLength(FTypes, Descriptions.Count);
  SetLength(FColumns, Descriptions.Count);
  for I := 0 to Descriptions.Count - 1 do
  begin
    Description := Descriptions.Arrays[I];
    FNames[I] := Description.Strings[0];
    FTypes[I] := Description.Integers[1];
    { Column I's values are the pair after the descriptions at I + 1. }
    if (I + 1 >= FTable.Count) or not (FTable.Items[I + 1] is TJSONArray) then
      raise EDSRESTException.CreateStatus('Table column ' + FNames[I] + ' has no values', 0);
    FColumns[I] := TJSONArray(FTable.Items[I + 1]);
  end;
  if Length(FColumns) > 0 then FRowCount := FColumns[0].Count else FRowCount := 0;
end;

destructor TDSTableReader.Destroy;
begin
  FTable.Free;
  inherited Destroy;
end;

function TDSTableReader.ColumnCount: Integer;
begin
  Result := Length(FNames);
end;

function TDSTableReader.RowCount: Integer;
begin
  Result := FRowCount;
end;

function TDSTableReader.ColumnName(AColumn: Integer): string;
begin
  Result := FNames[AColumn];
end;

function TDSTableReader.ColumnType(AColumn: Integer): Integer;
begin
  Result := FTypes[AColumn];
end;

function TDSTableReader.ColumnIndex(const Name: string): Integer;
var
  I: Integer;
begin
  for I := 0 to High(FNames) do
    if SameText(FNames[I], Name) then Exit(I);
  Result := -1;
end;

function TDSTableReader.Column(const Name: string): Integer;
begin
  Result := ColumnIndex(Name);
  if Result < 0 then raise EDSRESTException.CreateStatus('No column ' + Name, 0);
end;

function TDSTableReader.Value(Row, AColumn: Integer): TJSONData;
begin
  Result := FColumns[AColumn].Items[Row];
end;

function TDSTableReader.IsNull(Row, AColumn: Integer): Boolean;
begin
  Result := Value(Row, AColumn).JSONType = jtNull;
end;

function TDSTableReader.GetString(Row, AColumn: Integer): string;
begin
  if IsNull(Row, AColumn) then Result := '' else Result := Value(Row, AColumn).AsString;
end;

function TDSTableReader.GetString(Row: Integer; const Name: string): string;
begin
  Result := GetString(Row, Column(Name));
end;

function TDSTableReader.GetInteger(Row, AColumn: Integer): Integer;
begin
  if Value(Row, AColumn).JSONType = jtString then Result := StrToInt(Value(Row, AColumn).AsString)
  else Result := Value(Row, AColumn).AsInteger;
end;

function TDSTableReader.GetInteger(Row: Integer; const Name: string): Integer;
begin
  Result := GetInteger(Row, Column(Name));
end;

function TDSTableReader.GetDouble(Row, AColumn: Integer): Double;
begin
  Result := Value(Row, AColumn).AsFloat;
end;

function TDSTableReader.GetDouble(Row: Integer; const Name: string): Double;
begin
  Result := GetDouble(Row, Column(Name));
end;

end.
