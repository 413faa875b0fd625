'use strict';
// What the reader does with the report on screen: zoom it to the window's width or show it at
// its printed size, and find a text in it, each place marked and reached in turn.

const reportTools = {zoom: 'fit', marks: [], at: -1};

function reportDocument() {
  const frame = document.getElementById('report');
  return frame.contentDocument && frame.contentDocument.body ? frame.contentDocument : null;
}

// Fit width scales the printed width down to the box, never up; 100 % scrolls in its box.
function applyZoom() {
  const frame = document.getElementById('report');
  const doc = reportDocument();
  if (!doc) return;
  doc.body.style.zoom = '';
  frame.style.minWidth = '';
  if (reportTools.zoom === 'fit') {
    frame.style.minWidth = '0';
    const wide = doc.documentElement.scrollWidth;
    const room = frame.parentElement.clientWidth;
    if (wide > room) doc.body.style.zoom = String(room / wide);
  }
  // Measured from nothing: a document is never shorter than the frame that holds it.
  frame.style.height = '0';
  frame.style.height = doc.documentElement.scrollHeight + 'px';
  for (const button of document.querySelectorAll('[data-zoom]')) {
    button.setAttribute('aria-pressed', String(button.dataset.zoom === reportTools.zoom));
  }
}

const fold = (text) => text.normalize('NFD').replace(/[\u0300-\u036f]/g, '').toLowerCase();

function clearMarks() {
  for (const mark of reportTools.marks) mark.replaceWith(...mark.childNodes);
  reportTools.marks = [];
  reportTools.at = -1;
  document.getElementById('found').textContent = '';
}

// Marks every place `query` is found, ignoring case and accents, and goes to the first.
function findInReport(query) {
  clearMarks();
  const doc = reportDocument();
  const wanted = fold(query.trim());
  if (!doc || !wanted) return;
  const walker = doc.createTreeWalker(doc.body, NodeFilter.SHOW_TEXT);
  const hits = [];
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    const text = fold(node.data);
    for (let i = text.indexOf(wanted); i >= 0; i = text.indexOf(wanted, i + wanted.length)) {
      hits.push([node, i]);
    }
  }
  // From the last, so that the earlier places in a text keep their offsets.
  for (const [node, i] of hits.reverse()) {
    const range = doc.createRange();
    range.setStart(node, i);
    range.setEnd(node, i + wanted.length);
    const mark = doc.createElement('mark');
    range.surroundContents(mark);
    reportTools.marks.unshift(mark);
  }
  stepFound(1);
}

function stepFound(step) {
  const {marks} = reportTools;
  const found = document.getElementById('found');
  if (marks.length === 0) {
    found.textContent = 'não encontrado';
    return;
  }
  if (reportTools.at >= 0) marks[reportTools.at].style.background = '';
  reportTools.at = (reportTools.at + step + marks.length) % marks.length;
  const mark = marks[reportTools.at];
  mark.style.background = '#ff9632';
  found.textContent = `${reportTools.at + 1} de ${marks.length}`;
  const frame = document.getElementById('report');
  window.scrollTo({top: frame.getBoundingClientRect().top + window.scrollY +
    mark.getBoundingClientRect().top - window.innerHeight / 3});
}

function setUpReportTools() {
  for (const button of document.querySelectorAll('[data-zoom]')) {
    button.addEventListener('click', () => {
      reportTools.zoom = button.dataset.zoom;
      applyZoom();
    });
  }
  const query = document.getElementById('find');
  query.addEventListener('keydown', (event) => {
    if (event.key !== 'Enter') return;
    event.preventDefault();
    if (reportTools.marks.length > 0 && reportTools.query === query.value) stepFound(event.shiftKey ? -1 : 1);
    else findInReport(query.value);
    reportTools.query = query.value;
  });
  document.getElementById('find-next').addEventListener('click', () => stepFound(1));
  document.getElementById('find-previous').addEventListener('click', () => stepFound(-1));
}
