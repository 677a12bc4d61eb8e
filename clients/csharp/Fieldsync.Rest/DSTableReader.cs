using System;

namespace Fieldsync.Rest
{
    /// <summary>
    /// A table as the service sends it: the "table" pair with one description per
    /// column (name first, data-type code second), then one array of values per
    /// column. Rows are read by index, values by column index or name.
    /// </summary>
    public class DSTableReader
    {
        private readonly string[] names;
        private readonly int[] types;
        private readonly JSONArray[] columns;

        public DSTableReader(JSONObject table)
        {
            var descriptions = table.Get("table") as JSONArray;
            if (descriptions == null) throw new DSRESTException("Not a table: no \"table\" pair", 0);
            names = new string[descriptions.Count];
            types = new int[descriptions.Count];
            columns = new JSONArray[descriptions.Count];
            for (int i = 0; i < descriptions.Count; i++)
            {
                JSONArray description = descriptions.GetArray(i);
                names[i] = description.GetString(0);
                types[i] = description.GetInt(1);
                // Column i's values are the pair after the descriptions at i + 1,
                // which also holds when two columns share a name.
                if (i + 1 >= table.Count || !(table.ValueAt(i + 1) is JSONArray))
                    throw new DSRESTException("Table column " + names[i] + " has no values", 0);
                columns[i] = (JSONArray)table.ValueAt(i + 1);
            }
            RowCount = columns.Length == 0 ? 0 : columns[0].Count;
        }

        public int ColumnCount { get { return names.Length; } }
        public int RowCount { get; private set; }
        public string ColumnName(int column) { return names[column]; }
        /// <summary>The column's data-type code (26 text, 6 integer, 8 decimal, 24 timestamp, ...).</summary>
        public int ColumnType(int column) { return types[column]; }

        /// <summary>The index of the column of that name (letter case ignored); -1 when there is none.</summary>
        public int ColumnIndex(string name)
        {
            for (int i = 0; i < names.Length; i++)
                if (string.Equals(names[i], name, StringComparison.OrdinalIgnoreCase)) return i;
            return -1;
        }

        private int Column(string name)
        {
            int index = ColumnIndex(name);
            if (index < 0) throw new DSRESTException("No column " + name, 0);
            return index;
        }

        public bool IsNull(int row, int column) { return columns[column].IsNull(row); }
        public object GetValue(int row, int column) { return columns[column][row]; }
        public string GetString(int row, int column) { return columns[column].GetString(row); }
        public string GetString(int row, string name) { return GetString(row, Column(name)); }
        public int GetInt(int row, int column) { return columns[column].GetInt(row); }
        public int GetInt(int row, string name) { return GetInt(row, Column(name)); }
        public double GetDouble(int row, int column) { return columns[column].GetDouble(row); }
        public double GetDouble(int row, string name) { return GetDouble(row, Column(name)); }
        public bool GetBoolean(int row, string name) { return columns[Column(name)].GetBoolean(row); }
    }
}
