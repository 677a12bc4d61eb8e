// The method-test page: lists the classes and methods of the generated client
// (JSProxyClassList), offers one input per argument, calls the method through
// the client and shows the answer as JSON, tables as HTML tables and errors
// as errors. When the service requires a login ("loginrequired" true), the
// page asks for a user name and password and sends them with every call.

(function() {
  "use strict";

  var MaxTableRows = 2000;   // rows drawn per table; the JSON below shows them all
  var MaxJsonChars = 500000; // characters of JSON shown

  var clients = {};   // class name -> client object
  var current = null; // { className, methodName }
  var connection = null;     // shared by every client: where the service is, the login
  var loginRequired = false;

  function byId(id) {
    return document.getElementById(id);
  }

  // The argument names of a generated method function: "function(a, b) {".
  function parameterNames(fn) {
    var source = Function.prototype.toString.call(fn);
    var open = source.indexOf("(");
    var close = source.indexOf(")", open);
    return source.substring(open + 1, close).split(",").map(function(name) {
      return name.trim();
    }).filter(function(name) {
      return name.length > 0;
    });
  }

  function isScalar(value) {
    return value === null || typeof value !== "object";
  }

  // JSON text with objects spread over lines and arrays of plain values kept
  // on one line (a column description or a column's values).
  function formatJson(value, indent) {
    var pad = new Array(indent + 1).join("  ");
    var inner = pad + "  ";
    if (isScalar(value)) return JSON.stringify(value);
    if (Array.isArray(value)) {
      if (value.every(isScalar)) {
        return "[" + value.map(function(item) { return JSON.stringify(item); }).join(", ") + "]";
      }
      return "[\n" + value.map(function(item) {
        return inner + formatJson(item, indent + 1);
      }).join(",\n") + "\n" + pad + "]";
    }
    var keys = Object.keys(value);
    if (keys.length === 0) return "{}";
    return "{\n" + keys.map(function(key) {
      return inner + JSON.stringify(key) + ": " + formatJson(value[key], indent + 1);
    }).join(",\n") + "\n" + pad + "}";
  }

  function isTable(value) {
    return value !== null && typeof value === "object" && !Array.isArray(value) &&
           Array.isArray(value.table);
  }

  // A table object ({"table":[[name, type, ...], ...], "NAME":[values], ...})
  // as an HTML table with its column names.
  function renderTable(name, value) {
    var columns = value.table.map(function(description) {
      return String(description[0]);
    });
    var rowCount = 0;
    columns.forEach(function(column) {
      if (Array.isArray(value[column])) rowCount = Math.max(rowCount, value[column].length);
    });
    var table = document.createElement("table");
    table.className = "result";
    var caption = document.createElement("caption");
    var shown = Math.min(rowCount, MaxTableRows);
    caption.textContent = name + ": " + rowCount + (rowCount === 1 ? " row" : " rows") +
                          (shown < rowCount ? " (first " + shown + " shown)" : "");
    table.appendChild(caption);
    var head = table.createTHead().insertRow();
    columns.forEach(function(column) {
      var th = document.createElement("th");
      th.textContent = column;
      head.appendChild(th);
    });
    var body = table.createTBody();
    for (var r = 0; r < shown; r++) {
      var row = body.insertRow();
      columns.forEach(function(column) {
        var cell = row.insertCell();
        var values = value[column];
        var v = Array.isArray(values) ? values[r] : undefined;
        if (v === null || v === undefined) {
          cell.className = "null";
          cell.textContent = "null";
        } else {
          cell.textContent = typeof v === "object" ? JSON.stringify(v) : String(v);
        }
      });
    }
    var wrap = document.createElement("div");
    wrap.className = "table-wrap";
    wrap.appendChild(table);
    return wrap;
  }

  function showSession() {
    byId("session").textContent = getSessionId() || "none yet";
  }

  function clearAnswer() {
    byId("status").textContent = "";
    byId("error").hidden = true;
    byId("error").textContent = "";
    byId("tables").textContent = "";
    byId("json").textContent = "";
  }

  function showAnswer(answer, started) {
    var elapsed = Math.round(performance.now() - started);
    clearAnswer();
    showSession();
    if (answer === null || answer === undefined) {
      byId("status").textContent = "No answer (" + elapsed + " ms)";
      return;
    }
    if (typeof answer.error === "string") {
      byId("status").textContent = "Failed" +
          (answer.status ? " with status " + answer.status : "") + " (" + elapsed + " ms)";
      byId("error").textContent = answer.error;
      byId("error").hidden = false;
      if (answer.status === 401 && loginRequired) byId("login-user").focus();
    } else {
      byId("status").textContent = "Answered in " + elapsed + " ms";
      Object.keys(answer).forEach(function(key) {
        if (isTable(answer[key])) byId("tables").appendChild(renderTable(key, answer[key]));
      });
    }
    var text = formatJson(answer, 0);
    if (text.length > MaxJsonChars) {
      text = text.substring(0, MaxJsonChars) + "\n... (" + text.length + " characters in all)";
    }
    byId("json").textContent = text;
  }

  function selectMethod(className, methodName, button) {
    current = { className: className, methodName: methodName };
    var selected = document.querySelectorAll("#methods button.selected");
    for (var i = 0; i < selected.length; i++) selected[i].classList.remove("selected");
    button.classList.add("selected");
    byId("method-title").textContent = className + "." + methodName;
    var inputs = byId("inputs");
    inputs.textContent = "";
    var names = parameterNames(clients[className][methodName]);
    names.forEach(function(name) {
      var label = document.createElement("label");
      label.htmlFor = "arg-" + name;
      label.textContent = name;
      var input = document.createElement("input");
      input.type = "text";
      input.id = "arg-" + name;
      input.name = name;
      input.autocomplete = "off";
      inputs.appendChild(label);
      inputs.appendChild(input);
    });
    if (names.length === 0) {
      var none = document.createElement("p");
      none.className = "none";
      none.textContent = "This method takes no arguments.";
      inputs.appendChild(none);
    }
    byId("call-form").hidden = false;
    byId("method-url").textContent = "";
    clearAnswer();
    var first = inputs.querySelector("input");
    if (first) first.focus();
  }

  // The login typed in the page goes with the next call; a session opened by
  // another user is not sent with it.
  function takeLogin() {
    var userName = byId("login-user").value;
    var password = byId("login-password").value;
    if (userName === connection.userName && password === connection.password) return;
    connection.userName = userName;
    connection.password = password;
    clearSessionId();
    showSession();
  }

  function call(event) {
    event.preventDefault();
    if (!current) return;
    if (loginRequired) takeLogin();
    if (loginRequired && connection.userName === "") {
      clearAnswer();
      byId("error").textContent = "This service requires a login: enter your user name and password.";
      byId("error").hidden = false;
      byId("login-user").focus();
      return;
    }
    var client = clients[current.className];
    var args = Array.prototype.map.call(byId("inputs").querySelectorAll("input"), function(input) {
      return input.value;
    });
    var urlFunction = client[current.methodName + "_URL"];
    byId("method-url").textContent = typeof urlFunction === "function"
        ? "GET " + urlFunction.apply(client, args) : "";
    var started = performance.now();
    if (byId("asynchronous").checked) {
      byId("status").textContent = "Waiting for the answer ...";
      client[current.methodName].apply(client, args.concat([function(answer) {
        showAnswer(answer, started);
      }]));
    } else {
      showAnswer(client[current.methodName].apply(client, args), started);
    }
  }

  function filterMethods() {
    var text = byId("filter").value.toLowerCase();
    var buttons = document.querySelectorAll("#methods button");
    for (var i = 0; i < buttons.length; i++) {
      buttons[i].hidden = text !== "" && buttons[i].textContent.toLowerCase().indexOf(text) < 0;
    }
  }

  function start() {
    var body = document.body;
    connection = setConnection(body.getAttribute("data-host"), body.getAttribute("data-port"),
                               body.getAttribute("data-urlpath"));
    loginRequired = body.getAttribute("data-loginrequired") === "true";
    if (loginRequired) {
      byId("login").hidden = false;
      byId("login").addEventListener("input", takeLogin);
      byId("login").addEventListener("submit", function(event) {
        event.preventDefault();
        takeLogin();
      });
    }
    var list = byId("methods");
    if (typeof JSProxyClassList === "undefined") {
      byId("error").textContent = "The generated client (serverfunctions.js) did not load.";
      byId("error").hidden = false;
      return;
    }
    Object.keys(JSProxyClassList).forEach(function(className) {
      if (typeof window[className] !== "function") return;
      clients[className] = new window[className](connection);
      var heading = document.createElement("h3");
      heading.textContent = className;
      list.appendChild(heading);
      JSProxyClassList[className].forEach(function(methodName) {
        var button = document.createElement("button");
        button.type = "button";
        button.textContent = methodName;
        button.setAttribute("data-method", methodName);
        button.addEventListener("click", function() {
          selectMethod(className, methodName, button);
        });
        list.appendChild(button);
      });
    });
    byId("call-form").addEventListener("submit", call);
    byId("filter").addEventListener("input", filterMethods);
    showSession();
  }

  document.addEventListener("DOMContentLoaded", start);
})();
