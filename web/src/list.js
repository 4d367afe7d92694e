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
    this.el.addEventListener('scroll', () => this.render());
    new ResizeObserver(() => this.render()).observe(this.el);
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
      if (top < this.el.scrollTop || top > this.el.scrollTop + this.el.clientHeight - ROW) {
        this.el.scrollTop = Math.max(0, top - this.el.clientHeight / 2);
      }
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
      html += `<div class="row${i === this.current ? ' current' : ''}" data-i="${i}" style="top:${i * ROW}px">` +
        `<input type="checkbox"${s.checked[i] ? ' checked' : ''}>${s.numbers[i]}</div>`;
    }
    this.rows.innerHTML = html;
  }
}
