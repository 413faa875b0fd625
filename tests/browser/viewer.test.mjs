// The report viewer in a real browser: Debian's Chromium driven by playwright-core. Opens the
// page, runs each of the thirteen reports from its form on a generated month and checks a
// total shown against the rows the JSON API answers; then, on the receipt-type report, the
// grand total in full, the remembered values, a refused period, the PDF download, "Assinar"
// and a screenshot.
//
//   node viewer.test.mjs ORLA_VENDAS_BINARY OUTPUT_FOLDER
import {spawn, execFileSync} from 'node:child_process';
import {existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import assert from 'node:assert/strict';
import {chromium} from 'playwright-core';

const [binary, outFolder] = process.argv.slice(2);
assert.ok(binary && outFolder, 'usage: node viewer.test.mjs ORLA_VENDAS_BINARY OUTPUT_FOLDER');
const browserPath = '/usr/bin/chromium';
assert.ok(existsSync(browserPath), `${browserPath} is missing: scripts/setup.sh installs it`);
mkdirSync(outFolder, {recursive: true});
const work = mkdtempSync(path.join(tmpdir(), 'orla-viewer-'));

const database = path.join(work, 'march.db');
execFileSync(binary, ['demo-db', '--out', database, '--start', '2024-03-01', '--days', '31']);

const subscriptions = path.join(work, 'assinaturas.toml');
const server = spawn(binary, ['serve', '--db', database, '--port', '0', '--subscriptions', subscriptions],
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

const period = {Filtro_DataInicial: '01/03/2024', Filtro_DataFinal: '31/03/2024'};
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
  // Nothing is fetched from outside the server.
  const foreign = [];
  page.on('request', (request) => { if (!request.url().startsWith(url)) foreign.push(request.url()); });

  await page.goto(url);
  const entries = page.locator('nav button');
  await entries.first().waitFor();
  assert.equal(await entries.count(), 13, 'the thirteen reports are listed');
  assert.deepEqual(await page.locator('nav h3').allTextContents(),
    ['Tabelas de vendas', 'Movimentação de combustíveis', 'Resumos', 'Detalhes dos movimentos']);

  // Each report from the page: some total row shows a sum of a numeric column of the API's
  // rows (as money, quantity or a count), worked out here.
  const days = {Filtro_DataInicial: '04/03/2024', Filtro_DataFinal: '06/03/2024'};
  const catalogue = await (await fetch(url + 'api/reports')).json();
  const format = (digits) => new Intl.NumberFormat('pt-BR',
    {minimumFractionDigits: digits, maximumFractionDigits: digits});
  for (const entry of catalogue.reports) {
    await page.click(`nav button[data-name="${entry.name}"]`);
    await page.fill('#p-Filtro_DataInicial', days.Filtro_DataInicial);
    await page.fill('#p-Filtro_DataFinal', days.Filtro_DataFinal);
    await page.click('#run');
    await page.waitForFunction(() => !document.getElementById('run').disabled, null, {timeout: 60000});
    assert.equal(await page.textContent('#progress'), 'pronto.', entry.name);
    const answer = await (await fetch(url + 'api/reports/' + entry.name, {
      method: 'POST', headers: {'Content-Type': 'application/json'}, body: JSON.stringify(days)})).json();
    const frame = page.frameLocator('#report');
    assert.equal(await frame.locator('h1').textContent(), answer.report.title, entry.name);
    const shown = new Set(await frame.locator('tr.total td, tr.subtotal td').allTextContents());
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

  await page.click('nav button[data-name="VendasPorTiposDeRecebimento"]');
  await page.fill('#p-Filtro_DataInicial', period.Filtro_DataInicial);
  await page.fill('#p-Filtro_DataFinal', period.Filtro_DataFinal);
  await page.click('#run');
  await page.locator('#output').waitFor({state: 'visible', timeout: 60000});

  // The grand total shown against the rows the JSON API answers for the same parameters.
  const answer = await fetch(url + 'api/reports/VendasPorTiposDeRecebimento', {
    method: 'POST', headers: {'Content-Type': 'application/json'}, body: JSON.stringify(period)});
  const run = await answer.json();
  assert.equal(run.result, true);
  const columns = run.report.columns;
  const cents = run.report.rows.reduce(
    (sum, row) => sum + Math.round(row[columns.indexOf('VLTotal')] * 100), 0);
  const sales = run.report.rows.reduce((sum, row) => sum + row[columns.indexOf('QtdeVendas')], 0);
  const money = new Intl.NumberFormat('pt-BR', {minimumFractionDigits: 2}).format(cents / 100);
  const count = new Intl.NumberFormat('pt-BR').format(sales);
  const report = page.frameLocator('#report');
  const total = report.locator('tr.total').last().locator('td');
  assert.equal(await total.nth(0).textContent(), 'Total geral');
  assert.equal(await total.nth(1).textContent(), count);
  assert.equal(await total.nth(2).textContent(), money);
  await report.locator('h1').waitFor();

  // The values used are remembered for the next visit.
  await page.reload();
  await page.click('nav button[data-name="VendasPorTiposDeRecebimento"]');
  assert.equal(await page.inputValue('#p-Filtro_DataInicial'), period.Filtro_DataInicial);

  // A refused period shows the library's message and no report.
  await page.fill('#p-Filtro_DataInicial', '31/03/2024');
  await page.fill('#p-Filtro_DataFinal', '01/03/2024');
  await page.click('#run');
  await page.locator('#messages .message').first().waitFor();
  assert.equal(await page.locator('#output').isVisible(), false);

  await page.fill('#p-Filtro_DataInicial', period.Filtro_DataInicial);
  await page.fill('#p-Filtro_DataFinal', period.Filtro_DataFinal);
  await page.click('#run');
  await page.locator('#output').waitFor({state: 'visible', timeout: 60000});

  const [download] = await Promise.all([page.waitForEvent('download'), page.click('button[data-format="pdf"]')]);
  const pdf = path.join(outFolder, 'viewer.pdf');
  await download.saveAs(pdf);
  // Named as run names it: after the report and its period.
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

  await page.screenshot({path: path.join(outFolder, 'viewer.png')});
  assert.deepEqual(foreign, [], 'requests outside the server');
  console.log(`The viewer ran the report in Chromium; total ${money} matches the API.`);
} finally {
  if (context) await context.close();
  server.kill('SIGINT');
  await new Promise((resolve) => server.on('exit', resolve));
  rmSync(work, {recursive: true, force: true});
}
