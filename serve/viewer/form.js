'use strict';
// A report's form from its entry in GET /api/reports: the reader's words, the named periods
// from GET /api/periods, the dependencies between fields, and the checks made before a run,
// each told at its field.

function element(tag, attributes = {}, children = []) {
  const node = document.createElement(tag);
  for (const [key, value] of Object.entries(attributes)) {
    if (key === 'text') node.textContent = value;
    else node.setAttribute(key, value);
  }
  for (const child of children) node.append(child);
  return node;
}

// dd/mm/aaaa <-> aaaa-mm-dd for the calendar picker; a day that does not exist gives ''.
function toIso(text) {
  const m = /^(\d{2})\/(\d{2})\/(\d{4})$/.exec(text);
  if (!m) return '';
  const [day, month, year] = [Number(m[1]), Number(m[2]), Number(m[3])];
  const date = new Date(Date.UTC(year, month - 1, day));
  if (year < 1753 || date.getUTCMonth() !== month - 1 || date.getUTCDate() !== day) return '';
  return `${m[3]}-${m[2]}-${m[1]}`;
}
function fromIso(iso) {
  const m = /^(\d{4})-(\d{2})-(\d{2})$/.exec(iso);
  return m ? `${m[3]}/${m[2]}/${m[1]}` : '';
}

const periodNames = ['Filtro_DataInicial', 'Filtro_DataFinal'];

class ReportForm {
  // `periods`: the server's named periods; `onChange` hears any change a reader makes.
  constructor(container, report, periods, onChange) {
    this.report = report;
    this.periods = periods;
    this.onChange = onChange;
    this.controls = new Map();  // name -> {parameter, field, control, read(), write(v)}
    container.replaceChildren();
    const hasPeriod = periodNames.every((n) => report.parameters.some((p) => p.name === n));
    if (hasPeriod) container.append(this.presetField());
    for (const parameter of report.parameters) {
      if (!parameter.used) continue;  // accepted by the library, without effect on the report
      container.append(this.field(parameter));
    }
    container.oninput = (event) => this.changed(event);
    container.onchange = (event) => this.changed(event);
  }

  changed(event) {
    if (event.target.dataset.period && this.preset) this.preset.value = '';
    this.clearError(event.target.closest('.field'));
    this.applyDependencies();
    this.onChange();
  }

  presetField() {
    const select = element('select', {id: 'p-periodo', name: 'periodo'});
    select.append(element('option', {value: '', text: 'Datas escolhidas'}));
    for (const period of this.periods) {
      select.append(element('option', {value: period.name, text: period.label}));
    }
    select.addEventListener('change', () => this.choosePreset(select.value));
    this.preset = select;
    return element('div', {class: 'field'}, [
      element('label', {for: 'p-periodo', text: 'Período'}), select,
      element('small', {text: 'Um período pelo nome, que acompanha o dia em que o relatório é aberto.'})]);
  }

  choosePreset(name) {
    const period = this.periods.find((p) => p.name === name);
    if (!period) return;
    this.preset.value = name;
    this.controls.get('Filtro_DataInicial').write(period.first);
    this.controls.get('Filtro_DataFinal').write(period.last);
    for (const n of periodNames) this.clearError(this.controls.get(n).field);
  }

  field(parameter) {
    const id = 'p-' + parameter.name;
    const field = element('div', {class: 'field', 'data-name': parameter.name});
    const help = element('small', {id: 'help-' + parameter.name, text: parameter.help});
    const note = element('small', {class: 'note', id: 'note-' + parameter.name, hidden: ''});
    const error = element('span', {class: 'error', id: 'error-' + parameter.name, hidden: ''});
    const entry = {parameter, field, note, error};
    const describedBy = `help-${parameter.name} note-${parameter.name} error-${parameter.name}`;
    if (parameter.input === 'switch') {
      const box = element('input', {type: 'checkbox', id, name: parameter.name, 'aria-describedby': describedBy});
      entry.control = box;
      entry.read = () => (box.checked ? 'true' : 'false');
      entry.write = (v) => { box.checked = v === 'true'; };
      field.classList.add('switch');
      field.append(element('label', {for: id}, [box, parameter.label]));
    } else {
      let control;
      if (parameter.input === 'date') control = this.dateControl(parameter, entry);
      else if (parameter.input === 'choice') control = this.choiceControl(parameter, entry);
      else if (parameter.input === 'lookup') control = lookupControl(parameter, entry);
      else {
        const input = element('input', {type: 'text', id, name: parameter.name,
          inputmode: parameter.input === 'number' ? 'decimal' : 'text', autocomplete: 'off'});
        entry.control = input;
        entry.read = () => input.value.trim();
        entry.write = (v) => { input.value = v; };
        control = input;
      }
      entry.control.setAttribute('aria-describedby', describedBy);
      field.append(element('label', {for: id, text: parameter.label}), control);
    }
    field.append(help, note, error);
    entry.write(parameter.default);
    this.controls.set(parameter.name, entry);
    return field;
  }

  dateControl(parameter, entry) {
    const text = element('input', {type: 'text', id: 'p-' + parameter.name, name: parameter.name,
      placeholder: 'dd/mm/aaaa', inputmode: 'numeric', autocomplete: 'off', 'data-period': '1'});
    const picker = element('input', {type: 'date', 'aria-label': `${parameter.label}: calendário`,
      tabindex: '-1', 'data-period': '1'});
    picker.addEventListener('change', () => { text.value = fromIso(picker.value); });
    text.addEventListener('change', () => { picker.value = toIso(text.value); });
    entry.control = text;
    entry.read = () => text.value.trim();
    entry.write = (v) => { text.value = v; picker.value = toIso(v); };
    return element('div', {class: 'date'}, [text, picker]);
  }

  choiceControl(parameter, entry) {
    const select = element('select', {id: 'p-' + parameter.name, name: parameter.name});
    for (const choice of parameter.choices) {
      select.append(element('option', {value: choice.value, text: choice.label}));
    }
    entry.control = select;
    entry.read = () => select.value;
    entry.write = (v) => {
      if (![...select.options].some((o) => o.value === v)) select.append(element('option', {value: v, text: v}));
      select.value = v;
    };
    return select;
  }

  // What one parameter's dependency on another makes of it: a value it must take, or that it
  // has no effect now. Shown at the field, so the form never says what the report will not do.
  applyDependencies() {
    for (const entry of this.controls.values()) {
      let forced = null;
      const notes = [];
      for (const dependency of entry.parameter.dependencies || []) {
        const other = this.controls.get(dependency.parameter);
        if (!other) continue;
        const value = other.read();
        const met = dependency.when === 'notEmpty' ? value !== '' && value !== '0'
          : dependency.when === 'equals' ? value === dependency.value : value !== dependency.value;
        const applies = dependency.effect === 'usedOnlyWhen' ? !met : met;
        if (!applies) continue;
        notes.push(dependency.note);
        if (dependency.effect === 'forcedBy') forced = dependency.forced;
      }
      if (forced !== null) {
        if (entry.control.disabled !== true) entry.before = entry.read();
        entry.write(forced);
        entry.control.disabled = true;
      } else if (entry.control.disabled && entry.parameter.dependencies) {
        entry.control.disabled = false;
        if (entry.before !== undefined) entry.write(entry.before);
      }
      entry.field.classList.toggle('irrelevant', notes.length > 0 && forced === null);
      entry.note.textContent = notes.join(' ');
      entry.note.hidden = notes.length === 0;
    }
  }

  // The values as the API takes them: the value texts, a decimal comma made a point.
  values() {
    const values = {};
    for (const [name, entry] of this.controls) {
      let value = entry.read();
      if (entry.parameter.type === 'double') {
        value = value.replace(',', '.');
      }
      values[name] = value;
    }
    return values;
  }

  presetName() { return this.preset ? this.preset.value : ''; }

  // Values from an address or a favourite; a preset wins over the dates.
  fill(values, preset) {
    for (const [name, value] of Object.entries(values)) {
      const entry = this.controls.get(name);
      if (entry && !entry.control.disabled) entry.write(lookupDisplay(entry, value));
    }
    if (preset) this.choosePreset(preset);
    else if (this.preset && !periodNames.some((n) => n in values)) {
      // The default dates are a named period ("Este mês"): the form says which.
      const [first, last] = periodNames.map((n) => this.controls.get(n).read());
      const named = this.periods.find((p) => p.first === first && p.last === last);
      if (named) this.preset.value = named.name;
    }
    this.applyDependencies();
  }

  showError(name, text) {
    const entry = this.controls.get(name);
    entry.error.textContent = text;
    entry.error.hidden = false;
    entry.field.classList.add('invalid');
    entry.control.setAttribute('aria-invalid', 'true');
  }

  clearError(field) {
    if (!field || !field.dataset.name) return;
    const entry = this.controls.get(field.dataset.name);
    entry.error.hidden = true;
    entry.field.classList.remove('invalid');
    entry.control.removeAttribute('aria-invalid');
  }

  // Checks every field and the rules between them; true when the report can run. Each
  // problem is told at its field; the first gets the focus.
  validate() {
    const problems = [];
    const values = this.values();
    for (const [name, entry] of this.controls) {
      this.clearError(entry.field);
      const check = entry.parameter.check;
      if (!check || entry.control.disabled) continue;
      const value = values[name];
      let bad = false;
      if (check.kind === 'date' || check.kind === 'optionalDate') {
        bad = value === '' ? check.required : toIso(value) === '';
      } else if (check.kind === 'rate') {
        const number = Number(value);
        bad = value !== '' && !(/^\d+(\.\d+)?$/.test(value) && number >= check.min && number <= check.max);
      } else if (check.pattern && value !== '') {
        bad = !new RegExp(check.pattern).test(value);
      }
      if (bad) problems.push([name, check.message]);
    }
    for (const rule of this.report.rules) {
      if (rule.kind !== 'inOrder' || problems.length > 0) continue;
      const days = rule.parameters.map((n) => toIso(values[n] || ''));
      for (let i = 1; i < days.length; i += 1) {
        if (days[i - 1] && days[i] && days[i - 1] > days[i]) problems.push([rule.parameters[i], rule.message]);
      }
    }
    for (const [name, text] of problems) this.showError(name, text);
    if (problems.length > 0) this.controls.get(problems[0][0]).control.focus();
    return problems.length === 0;
  }
}

// A searchable list filled from the database; its value is what the library takes (a shift's
// number, the payment forms' quoted names), its options what the reports print (T1, a name).
function lookupControl(parameter, entry) {
  const search = element('input', {type: 'search', placeholder: 'procurar…', autocomplete: 'off',
    'aria-label': `Procurar ${parameter.label.toLowerCase()}`});
  const select = element('select', {id: 'p-' + parameter.name, name: parameter.name,
    'data-lookup': parameter.lookup});
  if (parameter.multiple) select.multiple = true;
  else select.append(element('option', {value: '', text: '(todos)'}));
  const optionText = (item) => (item.label === item.value || item.label.endsWith(item.value)
    ? item.label : `${item.value} - ${item.label}`);
  const fill = async () => {
    const chosen = new Set([...select.selectedOptions].map((o) => o.value));
    const answer = await fetch(`/api/lookup/${parameter.lookup}?q=${encodeURIComponent(search.value)}`);
    if (!answer.ok) return;
    const {items} = await answer.json();
    for (const option of [...select.options]) {
      if (option.value !== '' && !chosen.has(option.value)) option.remove();
    }
    for (const item of items) {
      const existing = [...select.options].find((o) => o.value === item.value);
      if (existing) existing.textContent = optionText(item);
      else select.append(element('option', {value: item.value, text: optionText(item)}));
    }
  };
  let timer = null;
  // Searching the list changes nothing in the form.
  search.addEventListener('change', (event) => event.stopPropagation());
  search.addEventListener('input', (event) => {
    event.stopPropagation();
    clearTimeout(timer);
    timer = setTimeout(fill, 250);
  });
  entry.control = select;
  entry.read = () => {
    const chosen = [...select.selectedOptions].map((o) => o.value).filter((v) => v !== '');
    if (parameter.lookup === 'formas') return chosen.map((v) => `'${v.replaceAll("'", "''")}'`).join(',');
    return parameter.multiple ? chosen.join(',') : (chosen[0] || '');
  };
  entry.write = (value) => {
    for (const option of [...select.options]) option.selected = false;
    for (const v of parseLookupValue(parameter, value)) {
      const existing = [...select.options].find((o) => o.value === v);
      if (existing) existing.selected = true;
      else select.append(element('option', {value: v, text: v, selected: ''}));
    }
    if (!value && !parameter.multiple) select.value = '';
  };
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

// A rate from an address may carry a point; the reader sees a comma.
function lookupDisplay(entry, value) {
  return entry.parameter.type === 'double'
    ? String(value).replace('.', ',') : value;
}
