'use strict';
// Scheduled delivery from the page: "Assinar" turns the report's form as it stands into a
// subscription of `orla-vendas deliver` (POST /api/subscriptions), and "Assinaturas" lists
// them with their last delivery and error. Reads the form through viewer.js's `current` and
// `formValues`.

(() => {
  const make = (tag, attributes = {}, children = []) => {
    const node = document.createElement(tag);
    for (const [key, value] of Object.entries(attributes)) {
      if (key === 'text') node.textContent = value;
      else node.setAttribute(key, value);
    }
    for (const child of children) node.append(child);
    return node;
  };
  const when = (iso) => iso ? iso.replace(/^(\d{4})-(\d{2})-(\d{2})/, '$3/$2/$1').slice(0, 16) : 'nunca';

  document.head.append(make('style', {text: `
    #subscribe-dialog { border: 1px solid #b9c3cf; border-radius: 4px; padding: 1em 1.4em; min-width: 26em; }
    #subscribe-dialog label { display: block; margin: .5em 0 .1em; font-size: .85em; color: #3d4b5c; }
    #subscribe-dialog input[type="text"], #subscribe-dialog select { width: 100%; padding: .3em; font: inherit; }
    #subscriptions { margin: .2em 1em .8em; font-size: .85em; }
    #subscriptions summary { cursor: pointer; color: #1f4e79; }
    #subscriptions ul { padding-left: 1.1em; margin: .4em 0; }
    #subscriptions li { margin: .4em 0; }
    #subscribe-dialog .formats label { display: inline; margin-right: 1em; }
    #subscriptions .error { color: #b3261e; }`}));

  const field = (label, control, help) =>
    make('div', {}, [make('label', {text: label}), control].concat(help ? [make('small', {text: help})] : []));
  const text = (name, value = '', placeholder = '') => {
    const input = make('input', {type: 'text', name, placeholder});
    input.value = value;
    return input;
  };

  const period = make('select', {name: 'period'}, [make('option', {value: '', text: 'o das datas do formulário'})]);
  const formats = make('div', {class: 'formats'}, ['pdf', 'xlsx', 'csv', 'html'].map((f) =>
    make('label', {}, [make('input', {type: 'checkbox', name: 'formats', value: f}), ' ' + f.toUpperCase()])));
  formats.querySelector('[value="pdf"]').checked = true;
  const empty = make('select', {name: 'empty'}, [
    make('option', {value: 'avisar', text: 'avisar por e-mail'}),
    make('option', {value: 'pular', text: 'não enviar nada'})]);
  const status = make('p', {role: 'status'});
  const form = make('form', {method: 'dialog'}, [
    make('h2', {text: 'Assinar este relatório'}),
    field('Nome', text('name', '', 'automático')),
    field('Período', period),
    field('Quando', text('when', 'diariamente 06:00'),
      'diariamente 06:00, segundas 07:00, dia 1 06:00 ou cron (0 6 * * 1-5)'),
    field('Formatos', formats),
    field('Pasta', text('folder', '', '/srv/relatorios')),
    field('E-mail', text('email', '', 'gerente@posto.example, dono@posto.example')),
    field('Sem vendas no período', empty),
    status,
    make('div', {class: 'actions'}, [
      make('button', {type: 'submit', value: 'add', text: 'Assinar'}),
      make('button', {type: 'button', id: 'subscribe-close', text: 'Fechar'})])]);
  const dialog = make('dialog', {id: 'subscribe-dialog'}, [form]);
  document.body.append(dialog);

  const list = make('ul');
  const section = make('details', {id: 'subscriptions'}, [make('summary', {text: 'Assinaturas'}), list]);
  document.getElementById('reports').prepend(section);

  async function refresh() {
    const answer = await fetch('/api/subscriptions').catch(() => null);
    if (!answer || !answer.ok) return;
    const data = await answer.json();
    if (period.options.length === 1) {
      for (const p of data.periods) period.append(make('option', {value: p.name, text: p.label}));
    }
    list.replaceChildren();
    if (data.problem) list.append(make('li', {class: 'error', text: data.problem}));
    for (const s of data.subscriptions) {
      const item = make('li', {}, [make('strong', {text: s.name}),
        ` ${s.report} · ${s.when} · última entrega: ${when(s.delivered)}`]);
      if (s.outcome) item.append(make('div', {text: s.outcome}));
      if (s.error) item.append(make('div', {class: 'error', text: s.error}));
      for (const m of s.mail) {
        if (m.error) item.append(make('div', {class: 'error', text: `e-mail pendente (${m.tries}ª tentativa): ${m.error}`}));
      }
      list.append(item);
    }
    section.querySelector('summary').textContent = `Assinaturas (${data.subscriptions.length})`;
  }

  form.addEventListener('submit', async (event) => {
    event.preventDefault();
    const values = Object.fromEntries(new FormData(form));
    const body = {
      report: current.name,
      parameters: formValues(),
      when: values.when.trim(),
      formats: [...form.querySelectorAll('[name="formats"]:checked')].map((box) => box.value),
      email: values.email.split(',').map((address) => address.trim()).filter(Boolean),
      empty: values.empty,
    };
    if (values.name.trim()) body.name = values.name.trim();
    if (values.period) body.period = values.period;
    if (values.folder.trim()) body.folder = values.folder.trim();
    const answer = await fetch('/api/subscriptions', {method: 'POST',
      headers: {'Content-Type': 'application/json'}, body: JSON.stringify(body)});
    const result = await answer.json();
    status.className = answer.ok ? '' : 'error';
    status.textContent = answer.ok ? `Assinatura "${result.name}" gravada em ${result.file}.` : result.error;
    if (answer.ok) refresh();
  });
  document.getElementById('subscribe-close').addEventListener('click', () => dialog.close());

  const open = make('button', {type: 'button', id: 'subscribe', text: 'Assinar'});
  open.addEventListener('click', () => {
    status.textContent = '';
    dialog.showModal();
  });
  document.getElementById('reset').after(open);
  section.addEventListener('toggle', () => { if (section.open) refresh(); });
  refresh();
})();
