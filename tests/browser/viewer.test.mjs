// The report viewer in a real browser: Debian's Chromium driven by playwright-core. Opens the
// page and, in one session: the start page's figures as the API's runs of their reports give
// them, and a block opening its report; the thirteen forms in the reader's words, each report
// run from its form with a total shown that the API's rows add up to; a ranked product's link
// to its details and back; the checks that stop a run in the form; the named periods and the
// shift that forces the view; an address that runs on opening, with the API's total found in
// its pages; a report cleared by choosing another; the download's name; "Assinar" writing the
// form as a subscription the list shows; a quarter of details read page by page; the phone
// width; axe-core. Screenshots go to OUTPUT_FOLDER.
//
//   node viewer.test.mjs ORLA_VENDAS_BINARY OUTPUT_FOLDER
import {spawn, execFileSync} from 'node:child_process';
import {existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync} from 'node:fs';
import {createRequire} from 'node:module';
import {tmpdir} from 'node:os';
import path from 'node:path';
import assert from 'node:assert/strict';
import {chromium} from 'playwright-core';

const [binary, outFolder] = process.argv.slice(2);
assert.ok(binary && outFolder, 'usage: node viewer.test.mjs ORLA_VENDAS_BINARY OUTPUT_FOLDER');
const browserPath = '/usr/bin/chromium';
assert.ok(existsSync(browserPath), `${browserPath} is missing: scripts/setup.sh installs it`);
const axeSource = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
mkdirSync(outFolder, {recursive: true});
const work = mkdtempSync(path.join(tmpdir(), 'orla-viewer-'));

// The first quarter of 2024: a quarter of details to page through, March for the rest.
const database = path.join(work, 'quarter.db');
execFileSync(binary, ['demo-db', '--out', database, '--start', '2024-01-01', '--days', '91']);

const subscriptions = path.join(work, 'assinaturas.toml');
// The server's today is a Tuesday of the demo month, so that the start page's four days
// (today, yesterday and the same weekdays before) all have sales.
const server = spawn(binary, ['serve', '--db', database, '--port', '0', '--subscriptions', subscriptions,
  '--today', '2024-03-12'],
  {stdio: ['ignore', 'pipe', 'pipe']});
let serverErrors = '';
server.stderr.on('data', (chunk) => { serverErrors += chunk; });
const url = await new Promise((resolve, reject) => {
  let printed = '';
  server.stdout.on('data', (chunk) => {
    printed += chunk;
    const found = /(http:\/\/[^ ]+\/)/.exec(printed);
    if (found) resolve(found[1]);
  });
  server.on('exit', (code) => reject(new Error(`serve ended with ${code}: ${serverErrors}`)));
  setTimeout(() => reject(new Error('serve printed no address')), 20000);
});

const api = async (name, values) => (await fetch(url + 'api/reports/' + name, {
  method: 'POST', headers: {'Content-Type': 'application/json'}, body: JSON.stringify(values)})).json();
const format = (digits) => new Intl.NumberFormat('pt-BR',
  {minimumFractionDigits: digits, maximumFractionDigits: digits});

let context = null;
try {
  context = await chromium.launchPersistentContext(path.join(work, 'profile'), {
    executablePath: browserPath,
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    acceptDownloads: true,
    locale: 'pt-BR',
    viewport: {width: 1360, height: 860},
  });
  const page = context.pages()[0] || await context.newPage();
  // Nothing is fetched from outside the server; the runs the page asks for are counted.
  const foreign = [];
  const runs = [];
  page.on('request', (request) => {
    if (!request.url().startsWith(url)) foreign.push(request.url());
    if (request.method() === 'POST' && request.url().includes('/api/reports/')) runs.push(request);
  });
  const pageTexts = () => page.locator('#pages svg text').allTextContents();
  // No serious or critical accessibility fault on the page as it stands.
  const accessibilityFaults = async () => {
    if (!await page.evaluate(() => 'axe' in window)) await page.addScriptTag({content: axeSource});
    return page.evaluate(async () => (await window.axe.run(document)).violations
      .filter((v) => v.impact === 'serious' || v.impact === 'critical')
      .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`));
  };
  // A quarter's pages take a debug build on a busy machine well over a minute to draw.
  const finished = (timeout = 60000) => page.waitForFunction(
    () => !document.getElementById('run').disabled, null, {timeout});

  await page.goto(url);
  const entries = page.locator('nav button');
  await entries.first().waitFor();
  assert.equal(await entries.count(), 13, 'the thirteen reports are listed');

  // The start page: every figure of each of its days is the sum the API's run of its report
  // gives for that day (a fuel or form the other day of the pair has counts 0 here).
  await page.locator('#day[aria-busy="false"]').waitFor({timeout: 30000});
  const oneDay = (day) => ({Filtro_DataInicial: day, Filtro_DataFinal: day});
  const sumBy = (report, key, value, scale) => {
    const sums = new Map();
    const [k, v] = [key, value].map((c) => report.columns.indexOf(c));
    for (const row of report.rows) sums.set(row[k], (sums.get(row[k]) || 0) + Math.round(row[v] * scale));
    return sums;
  };
  const reais = (cents) => 'R$\u00a0' + format(2).format(cents / 100);
  const dayFigures = {};
  for (const day of ['12/03/2024', '11/03/2024', '05/03/2024', '04/03/2024']) {
    const sales = await api('VendasPorTiposDeRecebimento', oneDay(day));
    const fuel = await api('TabelaDeVendasPorCombustiveis', oneDay(day));
    dayFigures[day] = {forms: sumBy(sales.report, 'TipoRecebimento', 'VLLiquido', 100),
      litres: sumBy(fuel.report, 'Descrição', 'Qtde', 1000)};
  }
  for (const [day, pair] of [['12/03/2024', '05/03/2024'], ['05/03/2024', '12/03/2024'],
    ['11/03/2024', '04/03/2024'], ['04/03/2024', '11/03/2024']]) {
    const {forms, litres} = dayFigures[day];
    const expected = [`vendas||${reais([...forms.values()].reduce((a, b) => a + b, 0))}`];
    for (const key of new Set([...forms.keys(), ...dayFigures[pair].forms.keys()])) {
      expected.push(`formas|${key}|${reais(forms.get(key) || 0)}`);
    }
    for (const key of new Set([...litres.keys(), ...dayFigures[pair].litres.keys()])) {
      expected.push(`litros|${key}|${format(3).format((litres.get(key) || 0) / 1000)}\u00a0L`);
    }
    const shown = await page.locator(`#day [data-day="${day}"]`).evaluateAll((figures) =>
      figures.map((f) => `${f.dataset.figure}|${f.dataset.key || ''}|${f.textContent}`));
    assert.deepEqual(shown.sort(), expected.sort(), `the start page's figures of ${day}`);
  }
  await page.screenshot({path: path.join(outFolder, 'viewer-start.png'), fullPage: true});
  assert.deepEqual(await accessibilityFaults(), [], 'axe-core on the start page');
  // A block opens its report for its day; the product name comes back to the start page.
  await page.click('#day section:has(> h2#day-1) .day-block:first-child h3 a');
  await page.locator('#pages svg').waitFor({timeout: 60000});
  await finished();
  assert.equal(await page.inputValue('#p-Filtro_DataInicial'), '11/03/2024');
  assert.ok((await pageTexts()).includes(
    format(2).format([...dayFigures['11/03/2024'].forms.values()].reduce((a, b) => a + b, 0) / 100)),
  'the sales block opened a report without its figure');
  await page.click('#home');
  await page.locator('#day').waitFor({state: 'visible', timeout: 5000});

  // Each form speaks the reader's words: no library name, no English help; and each report
  // run from it shows a total that is a sum of a numeric column of the API's rows.
  const days = {Filtro_DataInicial: '04/03/2024', Filtro_DataFinal: '06/03/2024'};
  const catalogue = await (await fetch(url + 'api/reports')).json();
  for (const entry of catalogue.reports) {
    await page.click(`nav button[data-name="${entry.name}"]`);
    const visible = await page.locator('#form').innerText();
    for (const parameter of entry.parameters) {
      assert.ok(!visible.includes(parameter.name), `${entry.name}: ${parameter.name} shown`);
      assert.ok(!visible.includes(parameter.description), `${entry.name}: "${parameter.description}" shown`);
    }
    await page.fill('#p-Filtro_DataInicial', days.Filtro_DataInicial);
    await page.fill('#p-Filtro_DataFinal', days.Filtro_DataFinal);
    await page.click('#run');
    await finished();
    assert.equal(await page.textContent('#progress'), 'pronto.', entry.name);
    const answer = await api(entry.name, days);
    await page.locator('#pages svg').waitFor({timeout: 10000});
    assert.ok((await pageTexts()).includes(answer.report.title), entry.name);
    // Every page, one after the other, as a reader would go through them.
    const shown = new Set(await pageTexts());
    for (let number = 2; await page.locator('#page-next').isEnabled(); number += 1) {
      await page.click('#page-next');
      await page.waitForFunction((n) => document.getElementById('page-number').value === String(n),
        number, {timeout: 10000});
      for (const text of await pageTexts()) shown.add(text);
    }
    const sums = new Set();
    answer.report.columns.forEach((column, i) => {
      const values = answer.report.rows.map((row) => row[i]);
      if (values.length === 0 || !values.every((v) => typeof v === 'number')) return;
      const total = values.reduce((sum, v) => sum + Math.round(v * 1000), 0) / 1000;
      for (const digits of [0, 2, 3]) sums.add(format(digits).format(total));
    });
    assert.ok([...sums].some((sum) => sum !== '0' && shown.has(sum)),
      `${entry.name}: no total shown (${[...shown].join(' | ')}) is a sum of the API's rows`);
  }

  // A product of the ranking leads to its sales: the details of that product for the same
  // days, whose net total is the ranking's figure; Back shows the ranking again, Forward the
  // details.
  const titleOf = (name) => catalogue.reports.find((r) => r.name === name).title;
  const ready = (title) => page.waitForFunction((t) => document.getElementById('report-title')
    .textContent === t && document.getElementById('progress').textContent === 'pronto.', title,
  {timeout: 60000});
  await page.evaluate((address) => { location.hash = address; },
    `#/RankingDeVendas?${new URLSearchParams(days)}&run=1`);
  await ready(titleOf('RankingDeVendas'));
  const ranking = await api('RankingDeVendas', days);
  const [code, product, figure] = ['Codigo', 'Nome', 'SomaDeValor_Venda']
    .map((column) => ranking.report.rows[0][ranking.report.columns.indexOf(column)]);
  const figureText = format(2).format(figure);
  assert.ok((await pageTexts()).includes(figureText), `${figureText} is not in the ranking`);
  await page.locator('#pages svg a', {hasText: product}).first().click();
  await ready(titleOf('DetalhesDosMovimentosPorProdutos'));
  const sentValues = JSON.parse(runs.at(-1).postData());
  assert.deepEqual([sentValues.Filtro_IDProduto, sentValues.Filtro_DataInicial,
    sentValues.Filtro_DataFinal], [code, days.Filtro_DataInicial, days.Filtro_DataFinal]);
  await page.click('#page-last');
  await page.waitForFunction(() => document.getElementById('page-number').value ===
    document.getElementById('page-number').max, null, {timeout: 10000});
  assert.ok((await pageTexts()).includes(figureText), `the details' total is not ${figureText}`);
  await page.evaluate(() => history.back());
  await ready(titleOf('RankingDeVendas'));
  await page.locator('#pages svg a', {hasText: product}).first().waitFor({timeout: 10000});
  await page.evaluate(() => history.forward());
  await ready(titleOf('DetalhesDosMovimentosPorProdutos'));

  // Choosing another report clears the one shown, and its downloads with it.
  await page.click('nav button[data-name="VendasPorTiposDeRecebimento"]');
  assert.equal(await page.locator('#output').isVisible(), false, 'the last report is still shown');

  // A day that does not exist and an inverted period are told at their field; nothing runs.
  const before = runs.length;
  for (const [first, last, field] of [['31/02/2024', '31/03/2024', 'Filtro_DataInicial'],
    ['31/03/2024', '01/03/2024', 'Filtro_DataFinal']]) {
    await page.fill('#p-Filtro_DataInicial', first);
    await page.fill('#p-Filtro_DataFinal', last);
    await page.click('#run');
    await page.locator(`#error-${field}`).waitFor({state: 'visible', timeout: 5000});
    assert.equal(await page.locator('.field .error:visible').count(), 1, `${first}-${last}`);
  }
  assert.equal(runs.length, before, 'a period the form refused was sent');

  // A named period fills the dates the server gives and stays named in the address.
  const {periods} = await (await fetch(url + 'api/periods')).json();
  const lastMonth = periods.find((p) => p.name === 'mes-passado');
  await page.selectOption('#p-periodo', {label: 'Mês passado'});
  assert.equal(await page.inputValue('#p-Filtro_DataInicial'), lastMonth.first);
  assert.equal(await page.inputValue('#p-Filtro_DataFinal'), lastMonth.last);
  await page.waitForFunction(() => location.hash.includes('periodo=mes-passado'), null, {timeout: 5000});

  // A shift makes the view the financial one, and the view's field says so.
  await page.click('nav button[data-name="TabelaDeVendasPorCombustiveis"]');
  const shift = page.locator('#p-Filtro_IDTurno option[value="1"]');
  await shift.waitFor({state: 'attached', timeout: 10000});
  assert.equal(await shift.textContent(), 'T1');
  await page.selectOption('#p-Filtro_IDTurno', '1');
  assert.equal(await page.locator('#p-Filtro_TipoVisao').isDisabled(), true);
  assert.equal(await page.inputValue('#p-Filtro_TipoVisao'), '0');
  assert.ok(await page.locator('#note-Filtro_TipoVisao').isVisible());
  await page.screenshot({path: path.join(outFolder, 'viewer-form.png')});

  // A rate typed with a decimal comma goes out as the API's value text.
  const withRate = catalogue.reports.find((r) => r.parameters.some((p) => p.name === 'Filtro_ST_AL_ICMS'));
  await page.goto(`${url}#/${withRate.name}?Filtro_DataInicial=04/03/2024&Filtro_DataFinal=04/03/2024`);
  await page.fill('#p-Filtro_ST_AL_ICMS', '117');
  await page.click('#run');
  await page.locator('#error-Filtro_ST_AL_ICMS').waitFor({state: 'visible', timeout: 5000});
  await page.fill('#p-Filtro_ST_AL_ICMS', '17,5');
  const [sent] = await Promise.all([page.waitForRequest((r) => r.method() === 'POST'), page.click('#run')]);
  assert.equal(JSON.parse(sent.postData()).Filtro_ST_AL_ICMS, '17.5');
  await finished();

  // An address that runs on opening shows the report the API gives for the same parameters.
  const march = {Filtro_DataInicial: '01/03/2024', Filtro_DataFinal: '31/03/2024'};
  await page.evaluate((address) => { location.hash = address; },
    `#/VendasPorTiposDeRecebimento?${new URLSearchParams(march)}&run=1`);
  await page.locator('#output').waitFor({state: 'visible', timeout: 60000});
  await finished();
  const run = await api('VendasPorTiposDeRecebimento', march);
  const columns = run.report.columns;
  const cents = run.report.rows.reduce(
    (sum, row) => sum + Math.round(row[columns.indexOf('VLTotal')] * 100), 0);
  const money = format(2).format(cents / 100);
  await page.evaluate(() => document.getElementById('output').scrollIntoView());
  await page.screenshot({path: path.join(outFolder, 'viewer-report.png')});

  // Find goes to the page where the text is and marks it there: the grand total, as the API.
  await page.fill('#find', 'TOTAL GERAL');
  await page.press('#find', 'Enter');
  await page.waitForFunction(() => /^página \d+ \(1 de \d+\)$/.test(document.getElementById('found').textContent),
    null, {timeout: 5000});
  assert.ok(await page.locator('#pages rect.found').count() > 0, 'nothing marked');
  assert.ok((await pageTexts()).includes(money), `${money} is not on the page found`);

  const [download] = await Promise.all([page.waitForEvent('download'), page.click('button[data-format="pdf"]')]);
  const pdf = path.join(outFolder, 'viewer.pdf');
  await download.saveAs(pdf);
  assert.equal(download.suggestedFilename(), 'vendas-por-tipos-de-recebimento-2024-03.pdf');
  assert.equal(readFileSync(pdf).subarray(0, 5).toString(), '%PDF-');

  // "Assinar": the form as it stands becomes a subscription the list shows. Its March names
  // no period today, so one is chosen.
  await page.click('#subscribe');
  await page.selectOption('#subscribe-dialog select[name="period"]', 'mes-passado');
  await page.fill('#subscribe-dialog input[name="folder"]', path.join(work, 'relatorios'));
  await page.click('#subscribe-dialog button[type="submit"]');
  await page.locator('#subscribe-dialog [role="status"]', {hasText: 'gravada'}).waitFor();
  await page.click('#subscribe-close');
  await page.click('#subscriptions summary');
  await page.locator('#subscriptions li', {hasText: 'VendasPorTiposDeRecebimento'}).waitFor();
  assert.match(readFileSync(subscriptions, 'utf8'), /report = "VendasPorTiposDeRecebimento"/);

  // Back is the form before, not a second run of the address that ran on opening.
  await page.evaluate(() => history.back());
  await page.waitForFunction((title) => document.getElementById('report-title').textContent === title,
    withRate.title, {timeout: 5000});
  assert.equal(await page.inputValue('#p-Filtro_ST_AL_ICMS'), '17,5');
  await page.evaluate(() => history.forward());
  await page.waitForFunction(() => document.getElementById('p-Filtro_DataFinal').value === '31/03/2024',
    null, {timeout: 5000});
  await page.click('#run');
  await page.locator('#output').waitFor({state: 'visible', timeout: 60000});
  await finished();

  // A quarter of movement details is read page by page: the count shown, the last page reached
  // without the pages between, one page in the document.
  await page.click('nav button[data-name="DetalhesDosMovimentosPorProdutos"]');
  await page.fill('#p-Filtro_DataInicial', '01/01/2024');
  await page.fill('#p-Filtro_DataFinal', march.Filtro_DataFinal);
  await page.click('#run');
  await page.locator('#pages svg').waitFor({timeout: 60000});
  const pageRequests = [];
  page.on('request', (request) => { if (/\/pages\/\d+$/.test(request.url())) pageRequests.push(request.url()); });
  await finished(300000);
  const count = Number((await page.textContent('#page-count')).slice(3));
  assert.ok(count > 1000, `${count} pages`);
  await page.click('#page-last');
  await page.waitForFunction((last) => document.getElementById('page-number').value === String(last),
    count, {timeout: 10000});
  // Page 1 may come again, counted, after the one drawn ahead of the count.
  assert.deepEqual(pageRequests.map((u) => u.split('/').pop()).filter((n) => n !== '1'), [String(count)]);
  assert.equal(await page.locator('#pages svg').count(), 1);

  assert.deepEqual(await accessibilityFaults(), [], 'axe-core on the form with its report');

  // A phone: nothing scrolls sideways; the list is behind a menu.
  await page.setViewportSize({width: 390, height: 844});
  await page.waitForFunction(() => document.documentElement.scrollWidth <= window.innerWidth,
    null, {timeout: 5000});
  assert.equal(await page.locator('nav').isVisible(), false);
  // Fitted to the width, the report needs no sideways scroll in its box either.
  await page.waitForFunction(() => {
    const pages = document.getElementById('pages');
    return pages.scrollWidth <= pages.clientWidth;
  }, null, {timeout: 5000});
  await page.click('#menu');
  await page.locator('nav').waitFor({state: 'visible', timeout: 5000});
  await page.click('#menu');
  await page.evaluate(() => document.getElementById('output').scrollIntoView());
  await page.screenshot({path: path.join(outFolder, 'viewer-phone.png')});

  assert.deepEqual(foreign, [], 'requests outside the server');
  console.log(`The viewer ran the thirteen reports in Chromium; total ${money} matches the API.`);
} finally {
  if (context) await context.close();
  server.kill('SIGINT');
  await new Promise((resolve) => server.on('exit', resolve));
  rmSync(work, {recursive: true, force: true});
}
