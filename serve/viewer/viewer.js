'use strict';
// The report viewer: the list of reports, the chosen report's form (form.js), its address
// (#/NAME?PARAMETER=VALUE&...&periodo=PRESET&run=1, the names and value texts the API takes),
// one run at a time through the same API a host program calls, and its downloads.

const $ = (id) => document.getElementById(id);
let catalogue = null;
let periods = [];
let form = null;          // the chosen report's ReportForm
// What the page's other scripts ("Assinar") read of the form: the report and its values.
let current = null;
const formValues = () => form.values();
let shown = null;         // what the report on screen was run with: {name, values}
let running = null;       // {id, timer, pieces}
// This page's own name for the server, which keeps one run a page: the one it shows.
const viewerId = 'v' + Math.random().toString(36).slice(2, 10);

function runId() {
  return 'r' + Date.now().toString(36) + Math.random().toString(36).slice(2, 8);
}

// The form's state as an address. With a named period the dates are left out, so that
// "Mês passado" opened next month is next month's last month.
function addressOf(withRun = false) {
  const query = new URLSearchParams();
  const preset = form.presetName();
  for (const [name, value] of Object.entries(form.values())) {
    const parameter = form.controls.get(name).parameter;
    if (preset && periodNames.includes(name)) continue;
    if (value !== parameter.default) query.set(name, value);
  }
  if (preset) query.set('periodo', preset);
  if (withRun) query.set('run', '1');
  const text = query.toString().replaceAll('%2F', '/');
  return `#/${form.report.name}${text ? '?' + text : ''}`;
}

function parseAddress() {
  const m = /^#\/([A-Za-z]+)(?:\?(.*))?$/.exec(location.hash);
  if (!m) return null;
  const query = new URLSearchParams(m[2] || '');
  const values = {};
  for (const [name, value] of query) if (name !== 'periodo' && name !== 'run') values[name] = value;
  return {name: m[1], values, preset: query.get('periodo'), run: query.get('run') === '1'};
}

// What the browser keeps between visits: the reader's last named period, never dates.
const storageKey = (name) => 'orla-vendas:' + name;
function remembered(name) {
  try { return JSON.parse(localStorage.getItem(storageKey(name))) || {}; } catch { return {}; }
}

// The report on screen and its downloads belong to one run of one form: any change clears them.
function clearResult() {
  shown = null;
  $('output').hidden = true;
  closePages();
  $('messages').replaceChildren();
  if (!running) $('progress').textContent = '';
}

// A run whose form has changed is stopped and its report never shown.
function abandonRun() {
  if (!running) return;
  stop();
  running.abandoned = true;
  clearInterval(running.timer);
  running = null;
  setRunning(false);
}

function openReport(report, values = {}, preset = null) {
  abandonRun();
  clearResult();
  current = report;
  $('report-title').textContent = report.title;
  $('report-summary').textContent = report.summary || '';
  form = new ReportForm($('fields'), report, periods, () => {
    abandonRun();
    clearResult();
    history.replaceState(null, '', addressOf());
  });
  const kept = remembered(report.name);
  form.fill(values, preset || (Object.keys(values).length === 0 ? kept.periodo : null) || null);
  $('form').hidden = false;
  hideDay();
  for (const button of document.querySelectorAll('nav button')) {
    button.setAttribute('aria-current', String(button.dataset.name === report.name));
  }
  document.body.classList.remove('menu-open');
  $('menu').setAttribute('aria-expanded', 'false');
  fillFavourites();
}

// No report chosen: the day's picture.
function showStart() {
  abandonRun();
  clearResult();
  $('form').hidden = true;
  for (const button of document.querySelectorAll('nav button')) button.setAttribute('aria-current', 'false');
  document.body.classList.remove('menu-open');
  $('menu').setAttribute('aria-expanded', 'false');
  showDay();
}

// Follows the address: at the start, and on back and forward.
function followAddress() {
  const address = parseAddress();
  const report = address && catalogue.reports.find((r) => r.name === address.name);
  if (!report) {
    showStart();
    return;
  }
  openReport(report, address.values, address.preset);
  if (address.run || history.state?.shown) run();
}

function showMessages(answer) {
  const box = $('messages');
  box.replaceChildren();
  for (const m of answer.messages || []) {
    box.append(element('div', {class: 'message'}, [element('strong', {text: m.title || 'Aviso'}), m.text]));
  }
  for (const line of answer.details || []) {
    box.append(element('div', {class: 'message'}, [line]));
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

async function run(event) {
  if (event) event.preventDefault();
  if (running || !form.validate()) return;
  const values = form.values();
  localStorage.setItem(storageKey(form.report.name), JSON.stringify({periodo: form.presetName()}));
  // An address that ran on opening stays in the history as the form, so back never runs it.
  if (/[?&]run=1/.test(location.hash)) history.replaceState(history.state, '', addressOf());
  else if (location.hash !== addressOf()) history.pushState(null, '', addressOf());
  clearResult();
  const id = runId();
  const mine = {id, pieces: 0, timer: setInterval(() => pollProgress(id), 400)};
  running = mine;
  setRunning(true);
  $('progress').textContent = 'executando…';
  try {
    const answer = await fetch(`/api/reports/${form.report.name}?format=pages&viewer=${viewerId}&run=${id}`, {
      method: 'POST', headers: {'Content-Type': 'application/json'}, body: JSON.stringify(values)});
    const outcome = await answer.json();
    if (mine.abandoned) return;
    showMessages(outcome);
    if (answer.ok && outcome.shown) {
      shown = {name: form.report.name, values, run: outcome.run};
      $('output').hidden = false;
      $('progress').textContent = 'desenhando as páginas…';
      mine.pieces = 1;
      await openPages(outcome.run);
      if (!mine.abandoned && shown && shown.run === outcome.run) $('progress').textContent = 'pronto.';
    } else {
      $('progress').textContent = answer.status === 409 ? 'parado.' : answer.ok ? 'nada a mostrar.' : '';
    }
  } catch (error) {
    if (!mine.abandoned) {
      showMessages({error: String(error)});
      $('progress').textContent = '';
    }
  } finally {
    clearInterval(mine.timer);
    if (running === mine) {
      running = null;
      setRunning(false);
    }
  }
}

async function stop() {
  if (running) {
    $('progress').textContent = 'parando…';
    await fetch(`/api/runs/${running.id}/stop`, {method: 'POST'});
  }
}

// The files are the report on screen, from the run the server keeps, named after the
// report and its period.
function download(format) {
  if (!shown) return;
  const dialect = format === 'csv' ? '&dialect=br' : '';
  const link = element('a', {href: `/api/runs/${shown.run}/file?format=${format}${dialect}`});
  document.body.append(link);
  link.click();
  link.remove();
}

// The printed report is the PDF the pages are cut from, given to the browser's print dialog;
// where the browser cannot print a PDF from a frame, it opens for the reader to print.
function printReport() {
  if (!shown) return;
  const address = `/api/runs/${shown.run}/file?format=pdf&show=1`;
  document.getElementById('print-frame')?.remove();
  const frame = element('iframe', {id: 'print-frame', src: address, title: 'Relatório para imprimir',
    tabindex: '-1', 'aria-hidden': 'true'});
  frame.className = 'print-frame';
  frame.addEventListener('load', () => {
    try {
      frame.contentWindow.focus();
      frame.contentWindow.print();
    } catch {
      window.open(address, '_blank', 'noopener');
    }
  });
  document.body.append(frame);
}

async function copyAddress() {
  const address = location.origin + location.pathname + addressOf(true);
  try {
    await navigator.clipboard.writeText(address);
    $('progress').textContent = 'endereço copiado.';
  } catch {
    window.prompt('Endereço deste relatório:', address);
  }
}

// Named favourites: a report with its parameters, kept in this browser.
const favouritesKey = 'orla-vendas:favoritos';
function favourites() {
  try { return JSON.parse(localStorage.getItem(favouritesKey)) || []; } catch { return []; }
}
function fillFavourites() {
  const select = $('favourites');
  select.replaceChildren(element('option', {value: '', text: 'Favoritos…'}));
  favourites().forEach((f, i) => select.append(element('option', {value: String(i), text: f.name})));
}
function saveFavourite() {
  const name = window.prompt('Nome do favorito:', form.report.title.replace(/^Vendas - /, ''));
  if (!name) return;
  const list = favourites().filter((f) => f.name !== name);
  list.push({name, address: addressOf()});
  localStorage.setItem(favouritesKey, JSON.stringify(list));
  fillFavourites();
}

async function start() {
  [catalogue, periods] = await Promise.all([
    fetch('/api/reports').then((r) => r.json()),
    fetch('/api/periods').then((r) => r.json()).then((p) => p.periods)]);
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
      const button = element('button', {type: 'button', 'data-name': report.name,
        text: report.title.replace(/^Vendas - /, '')});
      button.addEventListener('click', () => {
        history.pushState(null, '', `#/${report.name}`);
        openReport(report);
      });
      nav.append(button);
    }
  }
  $('form').addEventListener('submit', run);
  $('stop').addEventListener('click', stop);
  $('reset').addEventListener('click', () => {
    openReport(form.report);
    history.replaceState(null, '', addressOf());
  });
  $('copy').addEventListener('click', copyAddress);
  $('save-favourite').addEventListener('click', saveFavourite);
  $('favourites').addEventListener('change', (event) => {
    const favourite = favourites()[Number(event.target.value)];
    if (favourite) location.hash = favourite.address;
  });
  $('menu').addEventListener('click', () => {
    const open = document.body.classList.toggle('menu-open');
    $('menu').setAttribute('aria-expanded', String(open));
  });
  $('print').addEventListener('click', printReport);
  for (const button of document.querySelectorAll('[data-format]')) {
    button.addEventListener('click', () => download(button.dataset.format));
  }
  window.addEventListener('popstate', followAddress);
  setUpPages();
  fillFavourites();
  followAddress();
}

start();
