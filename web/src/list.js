// SPDX-License-Identifier: Apache-2.0
// The sheet list: a virtual list whose rows are made only for what is on the
// screen, so a list of a million sheets scrolls like one of ten.
const ROW = 22;

export class SheetList {
  constructor(element, handlers) {
    this.el = element;
    this.handlers = handlers;
    this.sheets = null;
    this.el.innerHTML = '<div class="spacer"></div><div class="rows"></div>';
    this.spacer = this.el.firstChild;
    this.rows = this.el.lastChild;
    // The list itself holds the keyboard focus, never a row: rows are made
    // afresh as the list scrolls, and a focused row would take the focus
    // with it when it goes.
    this.el.tabIndex = 0;
    this.el.setAttribute('role', 'listbox');
    this.el.setAttribute('aria-multiselectable', 'true');
    this.el.addEventListener('keydown', (e) => this.key(e));
    this.el.addEventListener('scroll', () => this.render());
    new ResizeObserver(() => this.render()).observe(this.el);
    // A click on a row keeps the focus on the list.
    this.rows.addEventListener('mousedown', (e) => {
      e.preventDefault();
      this.el.focus();
    });
    this.rows.addEventListener('click', (e) => {
      const row = e.target.closest('.row');
      if (!row) return;
      const i = Number(row.dataset.i);
      if (e.target.type === 'checkbox') {
        this.sheets.checked[i] = e.target.checked ? 1 : 0;
        this.handlers.onChecked?.();
      }
      this.select(i, false);
    });
  }

  // The window's list keys: ↑ ↓ PgUp PgDn Home End move the current row,
  // Space checks or unchecks it, Ctrl+A checks all, Ctrl+Shift+A unchecks
  // all, Ctrl+C copies (handlers.onCopy), Ctrl+F and F3 find
  // (handlers.onFind).
  key(e) {
    const s = this.sheets;
    const ctrl = e.ctrlKey || e.metaKey;
    const k = e.key.length === 1 ? e.key.toLowerCase() : e.key;
    if (ctrl && k === 'a') this.checkAll(e.shiftKey ? 0 : 1);
    else if (ctrl && k === 'c') this.handlers.onCopy?.();
    else if ((ctrl && k === 'f') || k === 'F3') this.handlers.onFind?.(k === 'F3');
    else if (!s || !s.count || ctrl || e.altKey) return;
    else if (k === ' ') {
      if (this.current < 0) return;
      s.checked[this.current] = 1 - s.checked[this.current];
      this.render();
      this.handlers.onChecked?.();
    } else {
      const page = Math.max(1, Math.floor(this.el.clientHeight / ROW) - 1);
      const moves = { ArrowDown: 1, ArrowUp: -1, PageDown: page, PageUp: -page, Home: -Infinity, End: Infinity };
      if (!(k in moves)) return;
      const from = this.current < 0 ? -1 : this.current;
      this.select(Math.min(s.count - 1, Math.max(0, from + moves[k])), true);
    }
    e.preventDefault();
  }

  // The numbers of the checked sheets, in list order, one a line; with none
  // checked, the current sheet's; else empty (as the window copies them).
  checkedNumbersText() {
    const s = this.sheets;
    if (!s) return '';
    let text = '';
    for (let i = 0; i < s.count; i++) if (s.checked[i]) text += `${s.numbers[i]}\n`;
    if (!text && this.current >= 0) text = `${s.numbers[this.current]}\n`;
    return text;
  }

  setSheets(sheets) {
    this.sheets = sheets;
    this.current = -1;
    this.el.scrollTop = 0;
    this.spacer.style.height = `${sheets.count * ROW}px`;
    this.render();
  }

  checkedCount() {
    if (!this.sheets) return 0;
    let n = 0;
    for (const c of this.sheets.checked) n += c;
    return n;
  }

  // 1 checks all, 0 unchecks all, -1 inverts.
  checkAll(how) {
    if (!this.sheets) return;
    const c = this.sheets.checked;
    for (let i = 0; i < c.length; i++) c[i] = how < 0 ? 1 - c[i] : how;
    this.render();
    this.handlers.onChecked?.();
  }

  select(i, scroll) {
    this.current = i;
    if (scroll) {
      const top = i * ROW;
      if (top < this.el.scrollTop) this.el.scrollTop = top;
      else if (top > this.el.scrollTop + this.el.clientHeight - ROW) this.el.scrollTop = top - this.el.clientHeight + ROW;
    }
    this.render();
    this.handlers.onSelect?.(i);
  }

  // The next sheet after the current one whose number holds the text
  // (upper case, as sheet numbers are written), wrapping round; -1 if none.
  find(text) {
    const want = text.trim().toUpperCase();
    if (!this.sheets || !want) return -1;
    const n = this.sheets.count;
    for (let k = 1; k <= n; k++) {
      const i = (this.current + k + n) % n;
      if (this.sheets.numbers[i].includes(want)) {
        this.select(i, true);
        return i;
      }
    }
    return -1;
  }

  render() {
    const s = this.sheets;
    if (!s) return;
    const first = Math.max(0, Math.floor(this.el.scrollTop / ROW) - 5);
    const last = Math.min(s.count, Math.ceil((this.el.scrollTop + this.el.clientHeight) / ROW) + 5);
    let html = '';
    for (let i = first; i < last; i++) {
      html += `<div class="row${i === this.current ? ' current' : ''}" id="sheet-row-${i}" role="option" ` +
        `aria-selected="${s.checked[i] ? 'true' : 'false'}" data-i="${i}" style="top:${i * ROW}px">` +
        `<input type="checkbox" tabindex="-1"${s.checked[i] ? ' checked' : ''}>${s.numbers[i]}</div>`;
    }
    this.rows.innerHTML = html;
    if (this.current >= first && this.current < last) this.el.setAttribute('aria-activedescendant', `sheet-row-${this.current}`);
    else this.el.removeAttribute('aria-activedescendant');
  }
}
