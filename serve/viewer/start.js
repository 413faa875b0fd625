'use strict';
// The start page: the day at a glance. Every figure is a run of a report through the same API
// a host program calls, for one day, so that the report a block links to prints that figure:
// sales and payment forms from the receipt types (what was received, net of change, in the
// fiscal view), litres from the table by fuel (fiscal view: what that day's fiscal sale lines
// sold; the financial view counts closed tills only, and today's are mostly open).
// Today and yesterday are each set beside the same weekday of last week.

const dayReports = {sales: 'VendasPorTiposDeRecebimento', litres: 'TabelaDeVendasPorCombustiveis'};
const weekdays = ['domingo', 'segunda-feira', 'terça-feira', 'quarta-feira', 'quinta-feira',
  'sexta-feira', 'sábado'];
const decimals = (digits) => new Intl.NumberFormat('pt-BR',
  {minimumFractionDigits: digits, maximumFractionDigits: digits});
const money = (cents) => 'R$\u00a0' + decimals(2).format(cents / 100);
const litres = (millilitres) => decimals(3).format(millilitres / 1000) + '\u00a0L';
const percent = (value) => decimals(1).format(value) + '\u00a0%';
let dayLoad = null;  // the AbortController of the runs the start page is waiting for

// dd/mm/aaaa of the day `offset` days from the ISO date `iso`, and its weekday.
function dayFrom(iso, offset) {
  const [year, month, day] = iso.split('-').map(Number);
  const date = new Date(Date.UTC(year, month - 1, day + offset));
  return {text: fromIso(date.toISOString().slice(0, 10)), weekday: date.getUTCDay()};
}

function reportAddress(name, day) {
  return `#/${name}?Filtro_DataInicial=${day}&Filtro_DataFinal=${day}&run=1`;
}

// The fuels' names behind the table's short labels, from its legend formula
// ('ETA.HI. - ETANOL HIDRATADO    /    GAS.CO. - GASOLINA COMUM').
function fuelNames(legend) {
  const names = new Map();
  const text = /^'(.*)'$/s.exec(legend || '');
  if (!text) return names;
  for (const entry of text[1].replaceAll("''", "'").split(/\s+\/\s+/)) {
    const dash = entry.indexOf(' - ');
    if (dash > 0) names.set(entry.slice(0, dash).trim(), entry.slice(dash + 3).trim());
  }
  return names;
}

// A report's rows as the day's figures, each summed as the report prints them (cents, or
// thousandths of a litre, per line).
function salesFigures(report) {
  const columns = report.columns;
  const [kind, net] = ['TipoRecebimento', 'VLLiquido'].map((c) => columns.indexOf(c));
  const forms = new Map();
  let total = 0;
  for (const row of report.rows) {
    const cents = Math.round(row[net] * 100);
    total += cents;
    forms.set(row[kind], (forms.get(row[kind]) || 0) + cents);
  }
  return {total, forms};
}

function litreFigures(report) {
  const columns = report.columns;
  const [label, quantity] = ['Descrição', 'Qtde'].map((c) => columns.indexOf(c));
  const names = fuelNames(report.formulas && report.formulas.Legenda);
  const fuels = new Map();
  for (const row of report.rows) {
    fuels.set(row[label], (fuels.get(row[label]) || 0) + Math.round(row[quantity] * 1000));
  }
  return {fuels, names};
}

// One run: {figures}, {empty: true} or {failure: text}.
async function runDay(name, day, signal) {
  const answer = await fetch(`/api/reports/${name}`, {signal, method: 'POST',
    headers: {'Content-Type': 'application/json'},
    body: JSON.stringify({Filtro_DataInicial: day, Filtro_DataFinal: day})});
  const outcome = await answer.json();
  const problem = outcome.error || (outcome.errors || []).map((e) => e.description).join('; ');
  if (!answer.ok || problem) return {failure: problem || `HTTP ${answer.status}`};
  if (!outcome.report || outcome.report.rows.length === 0) return {empty: true};
  return {figures: name === dayReports.sales ? salesFigures(outcome.report) : litreFigures(outcome.report)};
}

// "▲ +12,3 %" against last week's value; the sign and the arrow say it, not a colour.
function change(value, before) {
  if (!before) return element('span', {class: 'change', text: 'sem base de comparação'});
  const ratio = (value - before) / before * 100;
  const rounded = Math.round(ratio * 10) / 10;
  const arrow = rounded > 0 ? '▲' : rounded < 0 ? '▼' : '=';
  const sign = rounded > 0 ? '+' : rounded < 0 ? '−' : '';
  return element('span', {class: 'change ' + (rounded > 0 ? 'up' : rounded < 0 ? 'down' : 'same')}, [
    element('span', {'aria-hidden': 'true', text: arrow + ' '}),
    sign + percent(Math.abs(rounded))]);
}

function figure(kind, day, key, text) {
  const attributes = {class: 'figure', 'data-figure': kind, 'data-day': day};
  if (key !== null) attributes['data-key'] = key;
  return element('span', attributes, [text]);
}

function lastWeekName(weekday) {
  return `${weekdays[weekday]} ${weekday === 0 || weekday === 6 ? 'passado' : 'passada'}`;
}

// A block: its heading a link to the report of that day, what it has to say below.
function dayBlock(title, name, day, body) {
  return element('section', {class: 'day-block'}, [
    element('h3', {}, [element('a', {href: reportAddress(name, day.text)}, [title])]),
    ...body]);
}

// What a block says when one of its two runs gave no figures.
function missing(name, day, run) {
  const report = catalogue.reports.find((r) => r.name === name);
  if (run.failure) {
    return element('p', {class: 'message error'},
      [`Não foi possível obter "${report ? report.title : name}" de ${day.text}: ${run.failure}`]);
  }
  return element('p', {class: 'empty'}, [`Nenhuma venda em ${day.text}.`]);
}

function salesBlock(day, before, now, then) {
  const body = [];
  if (!now.figures) {
    body.push(missing(dayReports.sales, day, now));
  } else {
    body.push(element('p', {class: 'headline'},
      [figure('vendas', day.text, null, money(now.figures.total))]));
  }
  body.push(comparisonLine(before, then, then.figures && figure('vendas', before.text, null,
    money(then.figures.total)), now.figures && then.figures && change(now.figures.total, then.figures.total)));
  if (then.failure) body.push(missing(dayReports.sales, before, then));
  return dayBlock('Vendas', dayReports.sales, day, body);
}

function comparisonLine(before, then, value, difference) {
  const parts = [`${lastWeekName(before.weekday)}, ${before.text}:`, element('br')];
  if (value) parts.push(value);
  else parts.push(then.failure ? 'não obtida' : 'sem vendas');
  if (difference) parts.push(' · ', difference);
  return element('p', {class: 'compare'}, parts);
}

// A table of keys, each with the day's value and last week's, and the change.
function compareTable(caption, kind, day, before, rows, show, withShare) {
  const short = (d) => `${weekdays[d.weekday].slice(0, 3)}. ${d.text.slice(0, 5)}`;
  const head = [kind === 'litros' ? 'Combustível' : 'Forma', short(day)];
  if (withShare) head.push('Part.');
  head.push(short(before), 'Variação');
  const table = element('table', {}, [element('caption', {class: 'sr-only', text: caption}),
    element('thead', {}, [element('tr', {}, head.map((h) =>
      element('th', {scope: 'col', text: h})))])]);
  const body = element('tbody');
  for (const row of rows) {
    const cells = [element('th', {scope: 'row', text: row.label}),
      element('td', {}, [row.now === null ? '—' : figure(kind, day.text, row.key, show(row.now))])];
    if (withShare) cells.push(element('td', {text: row.share === null ? '—' : percent(row.share)}));
    cells.push(element('td', {}, [row.then === null ? '—' : figure(kind, before.text, row.key, show(row.then))]),
      element('td', {}, [row.now === null || row.then === null ? '' : change(row.now, row.then)]));
    body.append(element('tr', {}, cells));
  }
  table.append(body);
  return table;
}

// The keys of either day, in the reader's alphabetical order.
function keysOf(label, ...maps) {
  const keys = new Set();
  for (const map of maps) for (const key of map ? map.keys() : []) keys.add(key);
  return [...keys].sort((a, b) => label(a).localeCompare(label(b), 'pt-BR'));
}

function litresBlock(day, before, now, then) {
  const body = [];
  if (!now.figures && !then.figures) {
    body.push(missing(dayReports.litres, day, now));
    if (then.failure) body.push(missing(dayReports.litres, before, then));
  } else {
    if (!now.figures) body.push(missing(dayReports.litres, day, now));
    if (then.failure) body.push(missing(dayReports.litres, before, then));
    const nowFuels = now.figures ? now.figures.fuels : null;
    const thenFuels = then.figures ? then.figures.fuels : null;
    const names = new Map([...(then.figures ? then.figures.names : []), ...(now.figures ? now.figures.names : [])]);
    const rows = keysOf((key) => names.get(key) || key, nowFuels, thenFuels).map((key) => ({key, label: names.get(key) || key,
      now: nowFuels ? nowFuels.get(key) || 0 : null, then: thenFuels ? thenFuels.get(key) || 0 : null}));
    body.push(compareTable('Litros por combustível', 'litros', day, before, rows, litres, false));
  }
  return dayBlock('Litros por combustível', dayReports.litres, day, body);
}

function formsBlock(day, before, now, then) {
  const body = [];
  if (!now.figures && !then.figures) {
    body.push(missing(dayReports.sales, day, now));
    if (then.failure) body.push(missing(dayReports.sales, before, then));
  } else {
    if (!now.figures) body.push(missing(dayReports.sales, day, now));
    if (then.failure) body.push(missing(dayReports.sales, before, then));
    const nowForms = now.figures ? now.figures.forms : null;
    const thenForms = then.figures ? then.figures.forms : null;
    const rows = keysOf((key) => key, nowForms, thenForms).map((key) => {
      const value = nowForms ? nowForms.get(key) || 0 : null;
      return {key, label: key, now: value, then: thenForms ? thenForms.get(key) || 0 : null,
        share: value === null || !now.figures.total ? null : value / now.figures.total * 100};
    });
    body.push(compareTable('Formas de pagamento', 'formas', day, before, rows, money, true));
  }
  return dayBlock('Formas de pagamento', dayReports.sales, day, body);
}

// Shows the start page and runs its reports afresh (the day goes on between two visits).
async function showDay() {
  if (dayLoad) dayLoad.abort();
  const load = new AbortController();
  dayLoad = load;
  const box = $('day');
  box.hidden = false;
  box.setAttribute('aria-busy', 'true');
  $('day-status').textContent = 'carregando as vendas do dia…';
  $('day-sections').replaceChildren();
  const today = catalogue.today.slice(0, 10);
  const days = [0, -1, -7, -8].map((offset) => dayFrom(today, offset));
  const runs = days.flatMap((day) => Object.values(dayReports).map((name) =>
    runDay(name, day.text, load.signal).catch((error) => ({failure: String(error)}))));
  const results = await Promise.all(runs);
  if (dayLoad !== load) return;
  const of = (index, name) => results[index * 2 + Object.values(dayReports).indexOf(name)];
  const sections = [['Hoje', 0, 2], ['Ontem', 1, 3]].map(([title, at, week]) => {
    const [day, before] = [days[at], days[week]];
    const [sales, salesBefore] = [of(at, dayReports.sales), of(week, dayReports.sales)];
    const [fuel, fuelBefore] = [of(at, dayReports.litres), of(week, dayReports.litres)];
    return element('section', {class: 'day', 'aria-labelledby': 'day-' + at}, [
      element('h2', {id: 'day-' + at, text: `${title}, ${weekdays[day.weekday]}, ${day.text}`}),
      element('div', {class: 'day-blocks'}, [salesBlock(day, before, sales, salesBefore),
        litresBlock(day, before, fuel, fuelBefore), formsBlock(day, before, sales, salesBefore)])]);
  });
  $('day-sections').replaceChildren(...sections);
  $('day-status').textContent = '';
  box.setAttribute('aria-busy', 'false');
}

function hideDay() {
  if (dayLoad) dayLoad.abort();
  dayLoad = null;
  $('day').hidden = true;
}
