// Support library of the generated browser client (js/serverfunctions.js).
//
// ServerFunctionExecutor calls the methods of one server class over the REST
// interface: GET /datasnap/rest/<class>/<method>/<argument>/... (PUT, POST or
// DELETE where the client asks for it). Without a callback a call waits for
// the answer and returns it; with a callback it returns at once and hands
// the answer to the callback. An answer is the parsed JSON object the server
// sent ({"result":[...]}); a failure is an object with "error" (the server's
// message, or a description of what went wrong) and "status" (the HTTP
// status, 0 when the server could not be reached).
//
// The session the server opens on the first call is kept (from the answer's
// "Pragma" header) and named in the "Pragma" header of every later call, so
// all calls of a page share one session. An answer saying the session has
// expired drops it; the next call opens a new one.
//
// A service that requires a login gets the user name and password of the
// connection (setConnection's last two arguments) as HTTP Basic credentials
// on every call; without a user name no "Authorization" header is sent. A
// wrong or missing login is answered with status 401 and an error.

/** True when value is an array. */
function isArray(value) {
  return Array.isArray(value);
}

/**
 * Where the server is: host name, port and the path the server's URLs begin
 * with ("" when the service is at the root). An empty host or port means the
 * page's own. userName and password, when the service requires a login, are
 * sent with every call; they may be changed on the returned object later
 * (its "userName" and "password"), and every client made with it uses the
 * new ones from its next call on.
 */
function setConnection(host, port, urlPath, userName, password) {
  return {
    host: host || "",
    port: port === undefined || port === null ? "" : String(port),
    urlPath: urlPath || "",
    userName: userName || "",
    password: password === undefined || password === null ? "" : String(password)
  };
}

/**
 * The "Authorization" header value for a user name and password: "Basic "
 * and the Base64 form of the UTF-8 bytes of "userName:password".
 */
function basicAuthorization(userName, password) {
  var bytes = new TextEncoder().encode(userName + ":" + password);
  var binary = "";
  for (var i = 0; i < bytes.length; i++) binary += String.fromCharCode(bytes[i]);
  return "Basic " + btoa(binary);
}

var dsSession = { id: null };

/** The session id in use, or null before the first answer. */
function getSessionId() {
  return dsSession.id;
}

/** Forgets the session; the next call opens a new one. */
function clearSessionId() {
  dsSession.id = null;
}

// The "dssession" item of a "Pragma" value such as
// "dssession=1.2.3,dssessionexpires=1200000".
function sessionIdFromPragma(pragma) {
  if (!pragma) return null;
  var items = pragma.split(/[,\s]+/);
  for (var i = 0; i < items.length; i++) {
    var eq = items[i].indexOf("=");
    if (eq > 0 && items[i].substring(0, eq).toLowerCase() === "dssession") {
      return items[i].substring(eq + 1).replace(/^"|"$/g, "");
    }
  }
  return null;
}

// A value that fits in one path segment: text, number, boolean or nothing.
function isSimpleValue(value) {
  var kind = typeof value;
  return value === null || value === undefined || kind === "string" || kind === "number" ||
         kind === "boolean";
}

function pathSegment(value) {
  if (value === null || value === undefined) return "null";
  return encodeURIComponent(String(value));
}

/**
 * A client of one server class. connectionInfo comes from setConnection; when
 * it is missing the page's own server is used.
 */
function ServerFunctionExecutor(className, connectionInfo) {
  this.className = className;
  this.connectionInfo = connectionInfo || setConnection("", "", "");
}

/** The URL the server's REST interface starts at, ending in "/rest/". */
ServerFunctionExecutor.prototype.restRoot = function() {
  var info = this.connectionInfo;
  var origin = "";
  if (info.host) {
    var protocol = typeof location !== "undefined" ? location.protocol : "http:";
    origin = protocol + "//" + info.host + (info.port ? ":" + info.port : "");
  } else if (typeof location !== "undefined") {
    origin = location.protocol + "//" + location.host;
  }
  return origin + info.urlPath + "/datasnap/rest/";
};

/**
 * The URL of a call: [url, argumentsForTheBody]. Leading simple arguments go
 * into the path; from the first argument that is an object or array on, the
 * arguments travel in the request's body. requestFilters, an object, becomes
 * the query ("?name=value&...").
 */
ServerFunctionExecutor.prototype.getMethodURL = function(methodName, requestType, params,
                                                         requestFilters) {
  var url = this.restRoot() + encodeURIComponent(this.className) + "/" +
            encodeURIComponent(methodName);
  var bodyParams = [];
  params = params || [];
  for (var i = 0; i < params.length; i++) {
    if (bodyParams.length === 0 && isSimpleValue(params[i])) {
      url += "/" + pathSegment(params[i]);
    } else {
      bodyParams.push(params[i]);
    }
  }
  if (requestFilters && typeof requestFilters === "object") {
    var query = [];
    for (var name in requestFilters) {
      if (Object.prototype.hasOwnProperty.call(requestFilters, name)) {
        query.push(encodeURIComponent(name) + "=" + encodeURIComponent(requestFilters[name]));
      }
    }
    if (query.length > 0) url += "?" + query.join("&");
  }
  return [url, bodyParams];
};

// The answer of a finished request, as described at the top.
function answerOf(xhr) {
  var sessionId = sessionIdFromPragma(xhr.getResponseHeader("Pragma"));
  if (sessionId) dsSession.id = sessionId;
  if (xhr.status === 0) {
    return { error: "The server could not be reached.", status: 0 };
  }
  var value = null;
  if (xhr.responseText) {
    try {
      value = JSON.parse(xhr.responseText);
    } catch (e) {
      value = null;
    }
  }
  var isObject = value !== null && typeof value === "object" && !isArray(value);
  if (xhr.status >= 200 && xhr.status < 300 && isObject) return value;

  if (xhr.status === 403 || (isObject && value.SessionExpired)) dsSession.id = null;
  var message;
  if (isObject && typeof value.error === "string") {
    message = value.error;
  } else if (isObject && typeof value.SessionExpired === "string") {
    message = value.SessionExpired;
  } else if (typeof value === "string") {
    message = value;
  } else if (xhr.statusText) {
    message = xhr.statusText;
  } else {
    message = "The server answered with status " + xhr.status + ".";
  }
  return { error: message, status: xhr.status };
}

/**
 * Calls methodName with requestType ("GET", "PUT", "POST" or "DELETE") and the
 * arguments params. Without a callback: waits and returns the answer. With
 * one: returns nothing and calls callback(answer) later. hasResult is true
 * when the method sends outputs back; accept, when given, is sent as the
 * "Accept" header.
 */
ServerFunctionExecutor.prototype.executeMethod = function(methodName, requestType, params,
                                                          callback, hasResult, requestFilters,
                                                          accept) {
  var asynchronous = typeof callback === "function";
  var urlAndBody = this.getMethodURL(methodName, requestType, params, requestFilters);
  var body = null;
  if (urlAndBody[1].length > 0) {
    if (requestType !== "POST" && requestType !== "PUT") {
      var refused = {
        error: "Arguments that are objects or arrays need a POST or PUT request, not " +
               requestType + ".",
        status: 0
      };
      if (asynchronous) {
        setTimeout(function() { callback(refused); }, 0);
        return undefined;
      }
      return refused;
    }
    body = JSON.stringify({ _parameters: urlAndBody[1] });
  }

  var xhr = new XMLHttpRequest();
  xhr.open(requestType, urlAndBody[0], asynchronous);
  if (dsSession.id) xhr.setRequestHeader("Pragma", "dssession=" + dsSession.id);
  var info = this.connectionInfo;
  if (info.userName) {
    xhr.setRequestHeader("Authorization", basicAuthorization(info.userName, info.password || ""));
  }
  if (accept) xhr.setRequestHeader("Accept", accept);
  if (body !== null) xhr.setRequestHeader("Content-Type", "application/json");

  if (asynchronous) {
    xhr.onreadystatechange = function() {
      if (xhr.readyState === 4) callback(answerOf(xhr));
    };
    xhr.send(body);
    return undefined;
  }
  try {
    xhr.send(body);
  } catch (e) {
    return { error: "The server could not be reached: " + e.message, status: 0 };
  }
  return answerOf(xhr);
};
