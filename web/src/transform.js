// SPDX-License-Identifier: Apache-2.0
// The 坐标转换 tab: common points (重合点) pasted into a table, the model and
// its rotation convention, the least-squares parameters with their 中误差
// and each point's residual, and points moved with them; the parameters
// downloaded and opened as the window's and karvento-cli's parameter file.
// Everything is computed by the C++ core in the worker; this module only
// builds its tab, asks and shows.
import { offerDownload } from './export.js';

const MODELS = [['0', '七参数（布尔莎）'], ['1', '三参数（平移）'], ['2', '四参数（平面相似）'], ['3', '六参数（平面仿射）']];
const EXTENSIONS = ['k7p', 'k3p', 'k4p', 'k6p'];
const SAMPLE = '# 点名 源X(北) 源Y(东) 目标X(北) 目标Y(东)，或带列名 name,lon1,lat1,lon2,lat2 的表\n';

function element(tag, attrs = {}, children = []) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) {
    if (k === 'text') e.textContent = v;
    else e.setAttribute(k, v);
  }
  for (const c of children) e.appendChild(c);
  return e;
}

function select(id, options, chosen) {
  const s = element('select', { id });
  for (const [value, caption] of options) s.appendChild(element('option', { value, text: caption }));
  s.value = chosen;
  return s;
}

function labelled(caption, control) {
  const l = element('label', { text: caption });
  l.appendChild(control);
  return l;
}

function table(id, headers, rows) {
  const t = element('table', { id, class: 'points' });
  t.appendChild(element('tr', {}, headers.map((h) => element('th', { text: h }))));
  for (const r of rows) t.appendChild(element('tr', {}, r.map((c) => element('td', { text: c }))));
  return t;
}

// Adds the tab (its button and its section) to the page; ask(op, args) asks
// the worker, status(text, isError) shows a line. Call before the page binds
// its tab buttons.
export function installTransformTab({ ask, status }) {
  const button = element('button', { 'data-tab': 'transform', text: '坐标转换' });
  document.querySelector('header .tabs').appendChild(button);
  const $ = (id) => document.getElementById(id);
  let params = '';  // the last parameter file's text
  let model = 0;
  // Counts the tab's finished actions (body's data-xf), for whoever waits.
  let finished = 0;
  const done = () => { document.body.dataset.xf = String(++finished); };

  const datumOptions = [['0', '北京54坐标系'], ['1', '西安80坐标系'], ['2', '2000国家坐标系']];
  const section = element('section', { class: 'tab', id: 'tab-transform', hidden: '' }, [
    element('fieldset', {}, [
      element('legend', { text: '重合点' }),
      element('textarea', { id: 'xf-points', spellcheck: 'false' }),
      labelled('模型', select('xf-model', MODELS, '0')),
      labelled('旋转约定', select('xf-convention', [['pv', '位置矢量（EPSG 9606）'], ['cf', '坐标框架（EPSG 9607）']], 'pv')),
      labelled('源坐标系', select('xf-source', datumOptions, '0')),
      labelled('目标坐标系', select('xf-target', datumOptions, '2')),
      labelled('分带法', select('xf-zone', [['3', '3度分带法'], ['6', '6度分带法']], '3')),
      labelled('中央经线', element('input', { id: 'xf-cm', type: 'text', value: '117' })),
      labelled('剔除（倍σ）', element('input', { id: 'xf-reject', type: 'text', value: '0', title: '0：不剔除' })),
      element('button', { id: 'xf-solve', class: 'main', type: 'button', text: '解算参数' }),
      element('div', { class: 'buttons' }, [
        element('button', { id: 'xf-save', type: 'button', text: '保存参数…', disabled: '' }),
        element('button', { id: 'xf-open', type: 'button', text: '打开参数…' }),
        element('input', { id: 'xf-file', type: 'file', accept: '.k7p,.k3p,.k4p,.k6p,.txt', hidden: '' }),
      ]),
    ]),
    element('div', { id: 'xf-summary', class: 'hint' }),
    element('div', { id: 'xf-result' }),
    element('fieldset', {}, [
      element('legend', { text: '转换点' }),
      element('p', { class: 'hint', text: '每行一个点：经度 纬度 [大地高]，或中央经线大于 0 时为东坐标 北坐标；其余的列原样保留。' }),
      element('textarea', { id: 'xf-input', spellcheck: 'false' }),
      labelled('方向', select('xf-direction', [['0', '正向（源→目标）'], ['1', '逆向（目标→源）']], '0')),
      element('button', { id: 'xf-apply', class: 'main', type: 'button', text: '转换', disabled: '' }),
      element('textarea', { id: 'xf-output', readonly: '', spellcheck: 'false' }),
    ]),
  ]);
  document.getElementById('forms').appendChild(section);
  $('xf-points').value = SAMPLE;

  const system = () => ({ zone3: $('xf-zone').value === '3', cmText: $('xf-cm').value });

  function show(r) {
    params = r.params;
    $('xf-save').disabled = false;
    $('xf-apply').disabled = false;
    const result = $('xf-result');
    result.innerHTML = '';
    if (r.parameters) {
      result.appendChild(table('xf-params', ['参数', '值', '中误差'], r.parameters.map((p) => [p.name, p.value, p.error])));
    }
    if (r.residuals) {
      result.appendChild(table('xf-residuals', ['点名', '东(m)', '北(m)', '平面(m)', ''],
        r.residuals.map((v) => [v.name, v.east.toFixed(4), v.north.toFixed(4), v.plane.toFixed(4), v.rejected ? '剔除' : ''])));
    }
  }

  $('xf-solve').onclick = async () => {
    model = Number($('xf-model').value);
    const r = await ask('solveTransform', {
      points: $('xf-points').value, model, coordinateFrame: $('xf-convention').value === 'cf',
      source: Number($('xf-source').value), target: Number($('xf-target').value), ...system(),
      rejectK: Math.max(0, Number($('xf-reject').value) || 0),
    });
    done();
    if (r.error) {
      status(r.error, true);
      return;
    }
    show(r);
    let summary = `${r.description}；单位权中误差 σ0 = ${r.sigma0.toFixed(4)} 米（多余观测 ${r.redundancy}）`;
    if (r.rejected.length) summary += `；剔除：${r.rejected.join(', ')}`;
    if (model < 2 && !r.heights) summary += '；没有大地高：两边都取 h = 0';
    $('xf-summary').textContent = summary;
    status(`已由 ${r.residuals.length} 个重合点解算参数`);
  };
  $('xf-save').onclick = () => {
    offerDownload(`转换参数.${EXTENSIONS[model]}`, new TextEncoder().encode(params), 'text/plain');
  };
  $('xf-open').onclick = () => $('xf-file').click();
  $('xf-file').onchange = async () => {
    const file = $('xf-file').files[0];
    $('xf-file').value = '';
    if (!file) return;
    const text = await file.text();
    // The file is checked by the core when it moves points: an empty move.
    const r = await ask('transformPoints', { params: text, text: '', inverse: false, ...system() });
    if (r.error) {
      status(`${file.name}：${r.error}`, true);
      return;
    }
    const m = /^model = (\w+)/m.exec(text);
    model = Math.max(0, ['bursa7', 'shift3', 'plane4', 'affine6'].indexOf(m ? m[1] : ''));
    show({ params: text });
    $('xf-summary').textContent = `${r.description.replace(/^正向转换：/, '')}；参数取自 ${file.name}`;
    status(`已打开 ${file.name}`);
  };
  $('xf-apply').onclick = async () => {
    const r = await ask('transformPoints', {
      params, text: $('xf-input').value, inverse: $('xf-direction').value === '1', ...system(),
    });
    done();
    if (r.error) {
      status(r.error, true);
      return;
    }
    $('xf-output').value = r.text;
    status(`${r.moved} 个点，${r.description}`);
  };
}
