using System;
using System.Globalization;
using System.IO;
using System.Net;
using System.Text;

namespace Fieldsync.Rest
{
    /// <summary>
    /// Where the service is (host, port, the path before "/datasnap/rest") and the
    /// session it gave: the "dssession" item of the answers' "Pragma" header is
    /// sent back on every later call. A UserName, when set, goes with its Password
    /// as HTTP Basic credentials on every call (a service that requires a login
    /// answers 401 without them); with none set no "Authorization" header is
    /// sent. The HTTP transport is in Send alone; calls
    /// are synchronous (on a platform whose requests are asynchronous only, run
    /// them off the user-interface thread and replace Send).
    /// </summary>
    public class DSRESTConnection
    {
        public DSRESTConnection() : this("localhost", 8080) { }

        public DSRESTConnection(string host, int port)
        {
            Protocol = "http";
            Host = host;
            Port = port;
            UrlPath = "";
            Context = "datasnap/rest";
            TimeoutMillis = 60000;
        }

        public string Protocol { get; set; }
        public string Host { get; set; }
        public int Port { get; set; }
        /// <summary>The path before the REST context, "" or "/something".</summary>
        public string UrlPath { get; set; }
        public string Context { get; set; }
        public int TimeoutMillis { get; set; }
        public string SessionID { get; private set; }
        /// <summary>The login sent with every call; null or "" sends none.</summary>
        public string UserName { get; set; }
        public string Password { get; set; }

        /// <summary>The "Authorization" value: "Basic " and the Base64 form of the UTF-8 bytes of "user:password".</summary>
        public static string BasicAuthorization(string userName, string password)
        {
            return "Basic " + Convert.ToBase64String(Encoding.UTF8.GetBytes(userName + ":" + (password ?? "")));
        }
        /// <summary>Forgets the session: the next call starts a new one.</summary>
        public void ClearSessionID() { SessionID = null; }

        /// <summary>The argument texts of the generated methods.</summary>
        public static string Text(string value) { return value ?? ""; }
        public static string Text(int value) { return value.ToString(CultureInfo.InvariantCulture); }
        public static string Text(long value) { return value.ToString(CultureInfo.InvariantCulture); }
        public static string Text(double value) { return JSONParser.NumberText(value); }
        public static string Text(bool value) { return value ? "true" : "false"; }

        /// <summary>A path segment: every byte of the UTF-8 text but letters, digits and "-_.~" as %XX.</summary>
        public static string Encode(string value)
        {
            var output = new StringBuilder();
            foreach (byte b in Encoding.UTF8.GetBytes(value))
            {
                if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || "-_.~".IndexOf((char)b) >= 0)
                    output.Append((char)b);
                else
                    output.Append('%').Append(b.ToString("X2"));
            }
            return output.ToString();
        }

        /// <summary>The URL of a call: .../datasnap/rest/Class/Method/arg1/arg2.</summary>
        public string MethodURL(string className, string requestName, string[] args)
        {
            var url = new StringBuilder();
            url.Append(Protocol).Append("://").Append(Host).Append(':').Append(Port).Append(UrlPath);
            url.Append('/').Append(Context).Append('/').Append(Encode(className)).Append('/').Append(Encode(requestName));
            foreach (string arg in args) url.Append('/').Append(Encode(arg));
            return url.ToString();
        }

        /// <summary>
        /// Calls a method and returns the "result" array of its answer. An answer
        /// with the "error" pair raises DSRESTException with the service's message;
        /// so does any other answer that is not a result.
        /// </summary>
        public JSONArray Execute(string verb, string className, string requestName, string[] args)
        {
            string url = MethodURL(className, requestName, args);
            int status;
            string body;
            Send(verb, url, out status, out body);
            object answer;
            try
            {
                answer = JSONParser.Parse(body);
            }
            catch (DSRESTException)
            {
                throw new DSRESTException("HTTP " + status + " from " + url + ": " + body, status);
            }
            var obj = answer as JSONObject;
            if (obj != null)
            {
                var error = obj.Get("error") as string;
                if (error != null) throw new DSRESTException(error, status);
                var result = obj.Get("result") as JSONArray;
                if (status == 200 && result != null) return result;
            }
            throw new DSRESTException("HTTP " + status + " from " + url + ": " + body, status);
        }

        private void Send(string verb, string url, out int status, out string body)
        {
            var request = (HttpWebRequest)WebRequest.Create(url);
            request.Method = verb;
            request.Timeout = TimeoutMillis;
            request.Accept = "application/JSON";
            if (SessionID != null) request.Headers["Pragma"] = "dssession=" + SessionID;
            if (!string.IsNullOrEmpty(UserName)) request.Headers["Authorization"] = BasicAuthorization(UserName, Password);
            HttpWebResponse response;
            try
            {
                response = (HttpWebResponse)request.GetResponse();
            }
            catch (WebException e)
            {
                response = e.Response as HttpWebResponse;
                if (response == null) throw new DSRESTException("No answer from " + url + ": " + e.Message, 0);
            }
            using (response)
            {
                status = (int)response.StatusCode;
                KeepSession(response.Headers["Pragma"]);
                using (var reader = new StreamReader(response.GetResponseStream(), Encoding.UTF8))
                    body = reader.ReadToEnd();
            }
        }

        private void KeepSession(string pragma)
        {
            if (pragma == null) return;
            foreach (string part in pragma.Split(','))
            {
                string item = part.Trim();
                int equals = item.IndexOf('=');
                if (equals > 0 && string.Equals(item.Substring(0, equals).Trim(), "dssession", StringComparison.OrdinalIgnoreCase))
                    SessionID = item.Substring(equals + 1).Trim();
            }
        }
    }
}
