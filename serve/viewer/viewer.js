'use strict';
// The report viewer: a form per report from GET /api/reports, the run through the same API a
// host program calls, and the report as the engine renders it.

const $ = (id) => document.getElementById(id);
let catalogue = null;
let current = null;       // the chosen report's entry
let lastValues = null;    // the parameters of the last run, for the downloads
let running = null;       // {id, timer}

function element(tag, attributes = {}, children = []) {
  const node = document.createElement(tag);
  for (const [key, value] of Object.entries(attributes)) {
    if (key === 'text') node.textContent = value;
    else node.setAttribute(key, value);
  }
  for (const child of children) node.append(child);
  return node;
}

function runId() {
  return 'r' + Date.now().toString(36) + Math.random().toString(36).slice(2, 8);
}

const storageKey = (name) => 'orla-vendas:' + name;

function remembered(name) {
  try { return JSON.parse(localStorage.getItem(storageKey(name))) || {}; } catch { return {}; }
}

// dd/mm/yyyy <-> yyyy-mm-dd for the calendar picker.
function toIso(text) {
  const m = /^(\d{2})\/(\d{2})\/(\d{4})$/.exec(text);
  return m ? `${m[3]}-${m[2]}-${m[1]}` : '';
}
function fromIso(iso) {
  const m = /^(\d{4})-(\d{2})-(\d{2})$/.exec(iso);
  return m ? `${m[3]}/${m[2]}/${m[1]}` : '';
}

function dateField(parameter, value) {
  const text = element('input', {type: 'text', id: 'p-' + parameter.name, name: parameter.name,
    placeholder: 'dd/mm/aaaa', pattern: '\\d{2}/\\d{2}/\\d{4}', inputmode: 'numeric'});
  text.value = value;
  const picker = element('input', {type: 'date', 'aria-label': 'calendário', tabindex: '-1'});
  picker.value = toIso(value);
  picker.addEventListener('change', () => { text.value = fromIso(picker.value); });
  text.addEventListener('change', () => { picker.value = toIso(text.value); });
  return element('div', {class: 'date'}, [text, picker]);
}

function choiceField(parameter, value) {
  const select = element('select', {id: 'p-' + parameter.name, name: parameter.name});
  for (const choice of parameter.choices) {
    select.append(element('option', {value: choice.value, text: `${choice.value} - ${choice.label}`}));
  }
  if (!parameter.choices.some((c) => c.value === value)) {
    select.append(element('option', {value, text: value}));
  }
  select.value = value;
  return select;
}

// A searchable list filled from the database. Its value is an identifier (or, for the
// payment forms, the quoted names) picked from the list, never typed.
function lookupField(parameter, value) {
  const search = element('input', {type: 'text', placeholder: 'procurar…',
    'aria-label': 'procurar ' + parameter.name});
  const select = element('select', {id: 'p-' + parameter.name, name: parameter.name,
    'data-lookup': parameter.lookup});
  if (parameter.multiple) select.multiple = true;
  else select.append(element('option', {value: '', text: '(todos)'}));
  for (const v of parseLookupValue(parameter, value)) {
    select.append(element('option', {value: v, text: v, selected: ''}));
  }
  const fill = async () => {
    const chosen = new Set([...select.selectedOptions].map((o) => o.value));
    const answer = await fetch(`/api/lookup/${parameter.lookup}?q=${encodeURIComponent(search.value)}`);
    if (!answer.ok) return;
    const {items} = await answer.json();
    for (const option of [...select.options]) {
      if (option.value !== '' && !chosen.has(option.value)) option.remove();
    }
    const present = new Set([...select.options].map((o) => o.value));
    for (const item of items) {
      const label = item.label === item.value ? item.label : `${item.label} (${item.value})`;
      const existing = [...select.options].find((o) => o.value === item.value);
      if (existing) existing.textContent = label;
      if (!present.has(item.value)) select.append(element('option', {value: item.value, text: label}));
    }
  };
  let timer = null;
  search.addEventListener('input', () => { clearTimeout(timer); timer = setTimeout(fill, 250); });
  fill();
  return element('div', {class: 'lookup'}, [search, select]);
}

function parseLookupValue(parameter, value) {
  if (!value) return [];
  if (parameter.lookup === 'formas') {
    return [...value.matchAll(/'((?:[^']|'')*)'/g)].map((m) => m[1].replaceAll("''", "'"));
  }
  return parameter.multiple ? value.split(',').map((v) => v.trim()).filter(Boolean) : [value];
}

function lookupValue(parameter, select) {
  const chosen = [...select.selectedOptions].map((o) => o.value).filter((v) => v !== '');
  if (parameter.lookup === 'formas') return chosen.map((v) => `'${v.replaceAll("'", "''")}'`).join(',');
  return parameter.multiple ? chosen.join(',') : (chosen[0] || '');
}

function buildForm(report, useRemembered = true) {
  current = report;
  $('report-title').textContent = report.title;
  const saved = useRemembered ? remembered(report.name) : {};
  const fields = $('fields');
  fields.replaceChildren();
  for (const parameter of report.parameters) {
    const value = parameter.name in saved ? saved[parameter.name] : parameter.default;
    let control;
    const field = element('div', {class: 'field', 'data-name': parameter.name});
    if (parameter.input === 'switch') {
      const box = element('input', {type: 'checkbox', id: 'p-' + parameter.name, name: parameter.name});
      box.checked = value === 'true';
      field.classList.add('switch');
      field.append(element('label', {}, [box, parameter.description]));
      fields.append(field);
      continue;
    }
    if (parameter.input === 'date') control = dateField(parameter, value);
    else if (parameter.input === 'choice') control = choiceField(parameter, value);
    else if (parameter.input === 'lookup') control = lookupField(parameter, value);
    else {
      control = element('input', {type: 'text', id: 'p-' + parameter.name, name: parameter.name,
        inputmode: parameter.input === 'number' ? 'decimal' : 'text'});
      control.value = value;
    }
    field.append(element('label', {for: 'p-' + parameter.name, text: parameter.name}), control,
      element('small', {text: parameter.description}));
    fields.append(field);
  }
  $('form').hidden = false;
  $('hint').hidden = true;
  for (const button of document.querySelectorAll('nav button')) {
    button.setAttribute('aria-current', String(button.dataset.name === report.name));
  }
}

function formValues() {
  const values = {};
  for (const parameter of current.parameters) {
    const control = $('p-' + parameter.name);
    if (parameter.input === 'switch') values[parameter.name] = control.checked ? 'true' : 'false';
    else if (parameter.input === 'lookup') values[parameter.name] = lookupValue(parameter, control);
    else values[parameter.name] = control.value.trim();
  }
  return values;
}

function showMessages(answer) {
  const box = $('messages');
  box.replaceChildren();
  for (const m of answer.messages || []) {
    box.append(element('div', {class: 'message'}, [element('strong', {text: m.title || 'Aviso'}), m.text]));
  }
  for (const e of answer.errors || []) {
    box.append(element('div', {class: 'message error'}, [element('strong', {text: e.procedure}), e.description]));
  }
  if (answer.error) {
    box.append(element('div', {class: 'message error'}, [element('strong', {text: 'Erro'}), answer.error]));
  }
}

function setRunning(on) {
  $('run').disabled = on;
  $('stop').disabled = !on;
  for (const b of document.querySelectorAll('nav button')) b.disabled = on;
}

async function pollProgress(id) {
  const answer = await fetch('/api/runs/' + id).catch(() => null);
  if (!running || running.id !== id || running.pieces > 0 || !answer || !answer.ok) return;
  const p = await answer.json();
  const state = p.state === 'queued' ? `na fila (${p.position}º)` :
    p.state === 'waiting' ? 'aguardando outro relatório' :
    p.state === 'stopping' ? 'parando' : 'executando';
  $('progress').textContent = `${state}… ${p.statements} comando(s), ${p.seconds.toFixed(1)} s`;
}

// The view arrives as lines of JSON: the outcome, the report's HTML in pieces, the end.
async function* viewLines(answer) {
  const reader = answer.body.pipeThrough(new TextDecoderStream()).getReader();
  let buffer = '';
  for (;;) {
    const {value, done} = await reader.read();
    if (done) break;
    buffer += value;
    let newline;
    while ((newline = buffer.indexOf('\n')) >= 0) {
      yield JSON.parse(buffer.slice(0, newline));
      buffer = buffer.slice(newline + 1);
    }
  }
}

// Each piece is written into the frame as it comes, so the first page shows while the
// server still reads and writes the rest.
async function showView(answer, values) {
  let frame = null;
  let ended = null;
  for await (const line of viewLines(answer)) {
    if ('html' in line) {
      if (!frame) {
        frame = $('report').contentDocument;
        frame.open();
        $('output').hidden = false;
        lastValues = {name: current.name, values};
      }
      frame.write(line.html);
      running.pieces += 1;
      $('progress').textContent = `recebendo… ${running.pieces} parte(s)`;
    } else if ('end' in line || 'stopped' in line || ('error' in line && !('result' in line))) {
      ended = line;
    } else {
      showMessages(line);
    }
  }
  if (frame) frame.close();
  if (!ended) return 'interrompido.';
  if (ended.error) {
    showMessages(ended);
    return '';
  }
  if (ended.stopped) return 'parado.';
  return frame ? 'pronto.' : 'nada a mostrar.';
}

async function run(event) {
  event.preventDefault();
  const values = formValues();
  localStorage.setItem(storageKey(current.name), JSON.stringify(values));
  const id = runId();
  running = {id, pieces: 0, timer: setInterval(() => pollProgress(id), 400)};
  setRunning(true);
  $('progress').textContent = 'executando…';
  $('messages').replaceChildren();
  $('output').hidden = true;
  lastValues = null;
  try {
    const answer = await fetch(`/api/reports/${current.name}?format=view&run=${id}`, {
      method: 'POST', headers: {'Content-Type': 'application/json'}, body: JSON.stringify(values)});
    if (answer.ok) {
      $('progress').textContent = await showView(answer, values);
    } else {
      showMessages(await answer.json());
      $('progress').textContent = answer.status === 409 ? 'parado.' : '';
    }
  } catch (error) {
    showMessages({error: String(error)});
    $('progress').textContent = '';
  } finally {
    clearInterval(running.timer);
    running = null;
    setRunning(false);
  }
}

async function stop() {
  if (running) {
    $('progress').textContent = 'parando…';
    await fetch(`/api/runs/${running.id}/stop`, {method: 'POST'});
  }
}

async function download(format) {
  if (!lastValues) return;
  const dialect = format === 'csv' ? '&dialect=br' : '';
  const answer = await fetch(`/api/reports/${lastValues.name}?format=${format}${dialect}`, {
    method: 'POST', headers: {'Content-Type': 'application/json'}, body: JSON.stringify(lastValues.values)});
  if (!answer.ok) {
    showMessages(await answer.json());
    return;
  }
  const link = element('a', {href: URL.createObjectURL(await answer.blob()),
    download: `${lastValues.name}.${format}`});
  document.body.append(link);
  link.click();
  link.remove();
}

async function start() {
  const answer = await fetch('/api/reports');
  catalogue = await answer.json();
  $('today').textContent = fromIso(catalogue.today.slice(0, 10));
  const nav = $('reports');
  const groups = new Map();
  for (const report of catalogue.reports) {
    if (!groups.has(report.group)) groups.set(report.group, []);
    groups.get(report.group).push(report);
  }
  for (const [group, reports] of groups) {
    nav.append(element('h3', {text: group}));
    for (const report of reports) {
      const button = element('button', {type: 'button', 'data-name': report.name, title: report.name,
        text: report.title.replace(/^Vendas - /, '')});
      button.addEventListener('click', () => buildForm(report));
      nav.append(button);
    }
  }
  $('form').addEventListener('submit', run);
  $('stop').addEventListener('click', stop);
  $('reset').addEventListener('click', () => buildForm(current, false));
  $('print').addEventListener('click', () => $('report').contentWindow.print());
  for (const button of document.querySelectorAll('[data-format]')) {
    button.addEventListener('click', () => download(button.dataset.format));
  }
}

start();
