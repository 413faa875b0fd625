'use strict';
// The report on screen as it prints: page by page, as the server draws them from the PDF's
// pagination (GET /api/runs/ID/pages/N, an SVG whose text is text), one page in the document at
// a time whatever the report's length, with its count, first / previous / next / last and
// go-to-page, zoom to the width or 100 %, and find, which marks the text on each page found.

const pager = {run: null, page: 0, pages: 0, total: null, done: false, zoom: 'fit',
  found: [], foundAt: -1, query: '', fonts: new Set(), cache: new Map(), generation: 0,
  ahead: false};

const fold = (text) => text.normalize('NFD').replace(/[\u0300-\u036f]/g, '').toLowerCase();

function pagerElement(id) { return document.getElementById(id); }

function closePages() {
  pager.generation += 1;
  Object.assign(pager, {run: null, page: 0, pages: 0, total: null, done: false, found: [],
    foundAt: -1, query: '', ahead: false});
  pager.cache.clear();
  pagerElement('pages').replaceChildren();
  pagerElement('found').textContent = '';
  pagerElement('find').value = '';
}

// The page count as far as it is known; the pages are drawn while the reader reads the first.
function showCount() {
  const count = pager.total ?? (pager.done ? pager.pages : null);
  pagerElement('page-count').textContent = count === null ? `de ${pager.pages}…` : `de ${count}`;
  pagerElement('page-number').value = String(pager.page);
  pagerElement('page-number').max = String(count ?? pager.pages);
  const last = count ?? Infinity;
  pagerElement('page-first').disabled = pagerElement('page-previous').disabled = pager.page <= 1;
  pagerElement('page-next').disabled = pagerElement('page-last').disabled = pager.page >= last;
}

function addFonts(fonts) {
  for (const font of fonts) {
    if (pager.fonts.has(font.family)) continue;
    pager.fonts.add(font.family);
    const face = new FontFace(font.family, `url(${font.url})`);
    document.fonts.add(face);
    face.load();
  }
}

// Follows the drawing until it ends: each answer comes when more pages are drawn.
async function followDrawing(run, generation) {
  while (pager.generation === generation && !pager.done) {
    const answer = await fetch(`/api/runs/${run}/pages?after=${pager.pages}`).catch(() => null);
    if (pager.generation !== generation) return;
    if (!answer || !answer.ok) {
      pagerElement('progress').textContent = 'as páginas não puderam ser lidas.';
      return;
    }
    const status = await answer.json();
    addFonts(status.fonts);
    Object.assign(pager, {pages: status.pages, total: status.total, done: status.done});
    if (status.error) showMessages({error: status.error});
    // The first page drawn ahead is replaced by the page itself once that is drawn.
    if (pager.pages > 0 && (pager.page === 0 || (pager.ahead && pager.page === 1))) {
      await showPage(1);
    }
    showCount();
  }
}

async function openPages(run) {
  closePages();
  pager.run = run;
  // A long report's first page is drawn ahead of the others: shown as soon as it is.
  showPage(1);
  await followDrawing(run, pager.generation);
}

async function pageSvg(number) {
  if (pager.cache.has(number)) return pager.cache.get(number);
  const answer = await fetch(`/api/runs/${pager.run}/pages/${number}`);
  if (!answer.ok) return null;
  const svg = await answer.text();
  pager.ahead = answer.headers.get('X-Page-Ahead') === '1';
  if (pager.ahead) return svg;
  pager.cache.set(number, svg);
  // A few pages kept for going back and forth; the report itself stays on the server.
  if (pager.cache.size > 6) pager.cache.delete(pager.cache.keys().next().value);
  return svg;
}

async function showPage(number) {
  if (!pager.run || number < 1) return;
  const generation = pager.generation;
  const svg = await pageSvg(number);
  if (svg === null || generation !== pager.generation) return;
  const box = pagerElement('pages');
  box.innerHTML = svg;
  const page = box.querySelector('svg');
  // A page whose figures lead to their sales keeps its links for the reader.
  page.setAttribute('role', page.querySelector('a') ? 'group' : 'img');
  page.setAttribute('aria-label', `Página ${number}`);
  pager.page = number;
  applyZoom();
  markFound();
  showCount();
}

function applyZoom() {
  const page = pagerElement('pages').querySelector('svg');
  if (page) {
    const width = page.viewBox.baseVal.width;
    page.style.width = pager.zoom === 'fit' ? '100%' : `${width}pt`;
    page.style.maxWidth = pager.zoom === 'fit' ? `${width * 2}pt` : 'none';
  }
  for (const button of document.querySelectorAll('[data-zoom]')) {
    button.setAttribute('aria-pressed', String(button.dataset.zoom === pager.zoom));
  }
}

// Marks the texts of the page shown that hold what is looked for.
function markFound() {
  const page = pagerElement('pages').querySelector('svg');
  if (!page || !pager.query) return;
  const wanted = fold(pager.query);
  let first = null;
  for (const text of page.querySelectorAll('text')) {
    if (!fold(text.textContent).includes(wanted)) continue;
    const box = text.getBBox();
    const mark = document.createElementNS('http://www.w3.org/2000/svg', 'rect');
    for (const [key, value] of Object.entries({x: box.x - 1, y: box.y - 1, width: box.width + 2,
      height: box.height + 2, fill: '#ffd54a', class: 'found'})) mark.setAttribute(key, value);
    text.parentNode.parentNode.insertBefore(mark, text.parentNode);
    first = first || mark;
  }
  if (first) first.scrollIntoView({block: 'center'});
}

async function find(query) {
  pager.query = query.trim();
  pager.found = [];
  pager.foundAt = -1;
  if (!pager.run || !pager.query) {
    pagerElement('found').textContent = '';
    return;
  }
  const answer = await fetch(`/api/runs/${pager.run}/find?q=${encodeURIComponent(pager.query)}`);
  if (!answer.ok) return;
  const result = await answer.json();
  pager.found = result.pages.map((p) => p.page);
  if (pager.found.length === 0) {
    pagerElement('found').textContent = 'não encontrado';
    await showPage(pager.page);
    return;
  }
  await stepFound(1);
}

async function stepFound(step) {
  if (pager.found.length === 0) return;
  pager.foundAt = (pager.foundAt + step + pager.found.length) % pager.found.length;
  const count = pager.found.length;
  pagerElement('found').textContent =
    `página ${pager.found[pager.foundAt]} (${pager.foundAt + 1} de ${count}${pager.done ? '' : '…'})`;
  await showPage(pager.found[pager.foundAt]);
}

function setUpPages() {
  const go = (number) => {
    const last = pager.total ?? pager.pages;
    showPage(Math.max(1, Math.min(number, last)));
  };
  pagerElement('page-first').addEventListener('click', () => go(1));
  pagerElement('page-previous').addEventListener('click', () => go(pager.page - 1));
  pagerElement('page-next').addEventListener('click', () => go(pager.page + 1));
  pagerElement('page-last').addEventListener('click', () => go(pager.total ?? pager.pages));
  pagerElement('page-number').addEventListener('change', (event) => go(Number(event.target.value)));
  // A figure's link opens the report of its sales; back and forward between the two show
  // each report again, not only its form.
  pagerElement('pages').addEventListener('click', (event) => {
    const link = event.target.closest('a');
    if (!link) return;
    event.preventDefault();
    history.replaceState({shown: true}, '');
    history.pushState({shown: true}, '', link.getAttribute('href'));
    followAddress();
  });
  for (const button of document.querySelectorAll('[data-zoom]')) {
    button.addEventListener('click', () => {
      pager.zoom = button.dataset.zoom;
      applyZoom();
    });
  }
  const query = pagerElement('find');
  query.addEventListener('keydown', (event) => {
    if (event.key !== 'Enter') return;
    event.preventDefault();
    if (pager.found.length > 0 && pager.query === query.value.trim()) stepFound(event.shiftKey ? -1 : 1);
    else find(query.value);
  });
  pagerElement('find-next').addEventListener('click', () => stepFound(1));
  pagerElement('find-previous').addEventListener('click', () => stepFound(-1));
  document.addEventListener('keydown', (event) => {
    if (!pager.run || event.target.closest('input, select, textarea')) return;
    if (event.key === 'PageDown' || event.key === 'ArrowRight') go(pager.page + 1);
    else if (event.key === 'PageUp' || event.key === 'ArrowLeft') go(pager.page - 1);
    else return;
    event.preventDefault();
  });
}
