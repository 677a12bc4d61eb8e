using System;
using System.Collections.Generic;
using System.Globalization;
using System.Text;

namespace Fieldsync.Rest
{
    /// <summary>The JSON null value.</summary>
    public sealed class JSONNull
    {
        public static readonly JSONNull Value = new JSONNull();
        private JSONNull() { }
        public override string ToString() { return "null"; }
    }

    /// <summary>A JSON object as received: its pairs in order; a name may occur twice.</summary>
    public class JSONObject
    {
        private readonly List<KeyValuePair<string, object>> pairs = new List<KeyValuePair<string, object>>();

        public void Add(string name, object value) { pairs.Add(new KeyValuePair<string, object>(name, value)); }
        public int Count { get { return pairs.Count; } }
        public string NameAt(int index) { return pairs[index].Key; }
        public object ValueAt(int index) { return pairs[index].Value; }

        /// <summary>The value of the first pair with that name; null when there is none.</summary>
        public object Get(string name)
        {
            foreach (var pair in pairs)
                if (pair.Key == name) return pair.Value;
            return null;
        }
    }

    /// <summary>A JSON array with typed access to its elements.</summary>
    public class JSONArray
    {
        private readonly List<object> items = new List<object>();

        public void Add(object value) { items.Add(value); }
        public int Count { get { return items.Count; } }
        public object this[int index] { get { return items[index]; } }
        public bool IsNull(int index) { return items[index] is JSONNull; }

        public string GetString(int index)
        {
            object value = items[index];
            if (value is JSONNull) return null;
            if (value is string) return (string)value;
            if (value is double) return JSONParser.NumberText((double)value);
            return value.ToString().ToLowerInvariant();
        }

        public double GetDouble(int index)
        {
            object value = items[index];
            if (value is double) return (double)value;
            double parsed;
            if (value is string && double.TryParse((string)value, NumberStyles.Float, CultureInfo.InvariantCulture, out parsed))
                return parsed;
            throw new DSRESTException("Element " + index + " is not a number: " + value, 0);
        }

        public int GetInt(int index) { return (int)GetDouble(index); }
        public long GetLong(int index) { return (long)GetDouble(index); }

        public bool GetBoolean(int index)
        {
            object value = items[index];
            if (value is bool) return (bool)value;
            throw new DSRESTException("Element " + index + " is not true or false: " + value, 0);
        }

        public JSONObject GetObject(int index)
        {
            var value = items[index] as JSONObject;
            if (value == null) throw new DSRESTException("Element " + index + " is not an object", 0);
            return value;
        }

        public JSONArray GetArray(int index)
        {
            var value = items[index] as JSONArray;
            if (value == null) throw new DSRESTException("Element " + index + " is not an array", 0);
            return value;
        }

        public DSTableReader GetTable(int index) { return new DSTableReader(GetObject(index)); }
    }

    /// <summary>Reads JSON text into JSONObject, JSONArray, string, double, bool and JSONNull.</summary>
    public class JSONParser
    {
        private readonly string text;
        private int pos;

        private JSONParser(string text) { this.text = text; }

        public static object Parse(string text)
        {
            var parser = new JSONParser(text);
            parser.SkipBlanks();
            object value = parser.Value();
            parser.SkipBlanks();
            if (parser.pos != text.Length) throw parser.Error("text after the value");
            return value;
        }

        /// <summary>A number as JSON writes it: whole numbers without a fraction.</summary>
        public static string NumberText(double value)
        {
            if (value == Math.Floor(value) && Math.Abs(value) < 1e15) return ((long)value).ToString(CultureInfo.InvariantCulture);
            return value.ToString("R", CultureInfo.InvariantCulture);
        }

        private DSRESTException Error(string what)
        {
            return new DSRESTException("Invalid JSON at position " + pos + ": " + what, 0);
        }

        private void SkipBlanks()
        {
            while (pos < text.Length && " \t\r\n".IndexOf(text[pos]) >= 0) pos++;
        }

        private char Next()
        {
            if (pos >= text.Length) throw Error("unexpected end");
            return text[pos++];
        }

        private void Expect(string word)
        {
            if (string.CompareOrdinal(text, pos, word, 0, word.Length) != 0) throw Error("expected " + word);
            pos += word.Length;
        }

        private object Value()
        {
            if (pos >= text.Length) throw Error("unexpected end");
            char c = text[pos];
            if (c == '{') return Object();
            if (c == '[') return Array();
            if (c == '"') return String();
            if (c == 't') { Expect("true"); return true; }
            if (c == 'f') { Expect("false"); return false; }
            if (c == 'n') { Expect("null"); return JSONNull.Value; }
            if (c == '-' || (c >= '0' && c <= '9')) return Number();
            throw Error("unexpected character '" + c + "'");
        }

        private JSONObject Object()
        {
            var obj = new JSONObject();
            pos++;
            SkipBlanks();
            if (pos < text.Length && text[pos] == '}') { pos++; return obj; }
            while (true)
            {
                SkipBlanks();
                if (pos >= text.Length || text[pos] != '"') throw Error("expected a name");
                string name = String();
                SkipBlanks();
                if (Next() != ':') throw Error("expected ':'");
                SkipBlanks();
                obj.Add(name, Value());
                SkipBlanks();
                char c = Next();
                if (c == '}') return obj;
                if (c != ',') throw Error("expected ',' or '}'");
            }
        }

        private JSONArray Array()
        {
            var array = new JSONArray();
            pos++;
            SkipBlanks();
            if (pos < text.Length && text[pos] == ']') { pos++; return array; }
            while (true)
            {
                SkipBlanks();
                array.Add(Value());
                SkipBlanks();
                char c = Next();
                if (c == ']') return array;
                if (c != ',') throw Error("expected ',' or ']'");
            }
        }

        private string String()
        {
            var output = new StringBuilder();
            pos++;
            while (true)
            {
                char c = Next();
                if (c == '"') return output.ToString();
                if (c != '\\') { output.Append(c); continue; }
                char e = Next();
                switch (e)
                {
                    case '"': output.Append('"'); break;
                    case '\\': output.Append('\\'); break;
                    case '/': output.Append('/'); break;
                    case 'b': output.Append('\b'); break;
                    case 'f': output.Append('\f'); break;
                    case 'n': output.Append('\n'); break;
                    case 'r': output.Append('\r'); break;
                    case 't': output.Append('\t'); break;
                    case 'u':
                        int code;
                        if (pos + 4 > text.Length ||
                            !int.TryParse(text.Substring(pos, 4), NumberStyles.HexNumber, CultureInfo.InvariantCulture, out code))
                            throw Error("bad \\u escape");
                        output.Append((char)code);
                        pos += 4;
                        break;
                    default: throw Error("bad escape \\" + e);
                }
            }
        }

        private double Number()
        {
            int start = pos;
            while (pos < text.Length && "+-0123456789.eE".IndexOf(text[pos]) >= 0) pos++;
            double value;
            if (!double.TryParse(text.Substring(start, pos - start), NumberStyles.Float, CultureInfo.InvariantCulture, out value))
            {
                pos = start;
                throw Error("bad number");
            }
            return value;
        }
    }
}
