// The page lists the reports of GET /api/reports, builds a form from a report's typed
// parameters, shows the rendered file in a frame and offers it as a download.
"use strict";

const inputTypes = { date: "date", integer: "number", float: "number", boolean: "checkbox" };

function element(tag, props, ...children) {
  const e = document.createElement(tag);
  Object.assign(e, props || {});
  for (const c of children) e.append(c);
  return e;
}

function parameterField(p) {
  const input = element("input", { name: p.name, id: "param-" + p.name, type: inputTypes[p.type] || "text" });
  if (p.type === "float") input.step = "any";
  if (p.type === "boolean") input.checked = p.default === "true";
  else if (p.default !== undefined) input.value = p.default;
  input.dataset.type = p.type;
  return element("label", {}, p.name, input);
}

// The link that renders the report with the form's values (GET /api/reports/NAME.EXT?...).
function renderLink(report) {
  const query = new URLSearchParams();
  for (const input of document.querySelectorAll("#parameters input")) {
    const value = input.type === "checkbox" ? String(input.checked) : input.value;
    if (value !== "") query.set(input.name, value);
  }
  const format = document.getElementById("format").value;
  const q = query.toString();
  return "api/reports/" + encodeURIComponent(report.name) + "." + format + (q ? "?" + q : "");
}

async function preview(report) {
  const link = renderLink(report);
  const error = document.getElementById("error");
  const download = document.getElementById("download");
  download.href = link;
  download.download = report.name + "." + document.getElementById("format").value;
  const answer = await fetch(link);
  if (!answer.ok) {
    const problem = await answer.json().catch(() => ({ title: answer.statusText }));
    error.textContent = problem.title + (problem.detail ? ": " + problem.detail : "");
    error.hidden = false;
    return;
  }
  error.hidden = true;
  const blob = await answer.blob();
  const view = document.getElementById("view");
  if (view.dataset.url) URL.revokeObjectURL(view.dataset.url);
  view.dataset.url = URL.createObjectURL(blob);
  view.src = view.dataset.url;
  view.dataset.loaded = answer.headers.get("Content-Type");
  view.dataset.bytes = String(blob.size);
}

function show(report, button) {
  for (const b of document.querySelectorAll("#reports button")) b.removeAttribute("aria-current");
  button.setAttribute("aria-current", "true");
  document.getElementById("report").hidden = false;
  document.getElementById("title").textContent = report.title || report.name;
  document.getElementById("parameters").replaceChildren(...report.parameters.map(parameterField));
  const format = document.getElementById("format");
  format.replaceChildren(...report.formats.map((f) => element("option", { value: f, textContent: f })));
  document.getElementById("error").hidden = true;
  const download = document.getElementById("download");
  download.href = renderLink(report);
  download.download = report.name + "." + format.value;
  document.getElementById("form").onsubmit = (event) => {
    event.preventDefault();
    preview(report);
  };
  format.onchange = () => {
    download.href = renderLink(report);
    download.download = report.name + "." + format.value;
  };
}

async function start() {
  const answer = await fetch("api/reports");
  const list = document.getElementById("reports");
  if (!answer.ok) {
    list.append(element("li", { textContent: "The reports cannot be listed (" + answer.status + ")" }));
    return;
  }
  const { reports } = await answer.json();
  for (const report of reports) {
    const button = element("button", { type: "button", textContent: report.title || report.name });
    button.dataset.report = report.name;
    button.onclick = () => show(report, button);
    list.append(element("li", {}, button));
  }
}

// A link to the page may name a report, its parameter values and a format, and ask for the
// preview: "#report=invoice&format=pdf&Customer=Acme&preview".
function followLink() {
  const args = new URLSearchParams(location.hash.slice(1));
  const button = [...document.querySelectorAll("#reports button")].find((b) => b.dataset.report === args.get("report"));
  if (!button) return;
  button.click();
  for (const [name, value] of args) {
    const input = document.getElementById("param-" + name);
    if (!input) continue;
    if (input.type === "checkbox") input.checked = value === "true";
    else input.value = value;
  }
  const format = document.getElementById("format");
  if (args.get("format")) format.value = args.get("format");
  format.onchange();
  if (args.has("preview")) document.getElementById("preview").click();
}

start().then(followLink);
