'use strict';
// The centre's page: log in, tiles of every board kept live by server-sent events, sending a set with
// a check and a preview, its progress, history charts and the audit. Text goes in with
// textContent only, never as HTML.

const state = { session: null, boards: new Map(), groups: [], send: null, socket: null, preview: null,
  broker: { connected: true, since: '' }, words: null };
// The feed's words (outcomes, status, presence), as the centre names them: loaded at the start.
const word = (kind, name) => state.words[kind][name];
const label = (outcome) => state.words.label[outcome] || outcome;
const $ = (sel) => document.querySelector(sel);
// office-2 before office-10
const byName = (a, b) => a.localeCompare(b, undefined, { numeric: true });

function el(tag, attrs = {}, ...children) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) {
    if (k === 'class') e.className = v; else e.setAttribute(k, v);
  }
  for (const c of children) if (c !== null && c !== undefined) e.append(c);
  return e;
}

function svg(tag, attrs = {}) {
  const e = document.createElementNS('http://www.w3.org/2000/svg', tag);
  for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, v);
  return e;
}

function when(iso) {
  if (!iso) return '';
  const d = new Date(iso);
  return isNaN(d) ? iso : d.toLocaleString();
}

async function api(path, body) {
  const options = { credentials: 'same-origin', headers: {} };
  if (body !== undefined) {
    options.method = 'POST';
    options.headers['Content-Type'] = 'application/json';
    if (state.session) options.headers['X-CSRF-Token'] = state.session.csrf;
    options.body = JSON.stringify(body);
  }
  const r = await fetch(path, options);
  let data = {};
  try { data = await r.json(); } catch (e) { /* an empty answer */ }
  if (r.status === 401 && path !== '/api/login') showLogin();
  return { ok: r.ok, status: r.status, data };
}

// ---- log in and out ----
function showLogin() {
  state.session = null;
  if (state.socket) { state.socket.close(); state.socket = null; }
  for (const v of document.querySelectorAll('.view')) v.hidden = true;
  $('#tabs').hidden = true;
  $('#who').hidden = true;
  $('#login-view').hidden = false;
}

function showApp(session) {
  state.session = session;
  $('#login-view').hidden = true;
  $('#tabs').hidden = false;
  $('#who').hidden = false;
  $('#user-name').textContent = session.user;
  $('#user-role').textContent = session.role;
  $('#tab-send').hidden = session.role !== 'publisher';
  showTab('boards');
  refreshBoards();
  connect();
}

$('#login').addEventListener('submit', async (ev) => {
  ev.preventDefault();
  const f = ev.target;
  $('#login-error').textContent = '';
  const r = await api('/api/login', { user: f.user.value, password: f.password.value });
  f.password.value = '';
  if (r.ok) showApp(r.data); else $('#login-error').textContent = r.data.error || 'The login failed.';
});

$('#logout').addEventListener('click', async () => { await api('/api/logout', {}); showLogin(); });

function showTab(name) {
  for (const b of document.querySelectorAll('#tabs button')) b.classList.toggle('active', b.dataset.tab === name);
  for (const v of document.querySelectorAll('.view')) v.hidden = v.id !== name + '-view';
  if (name === 'audit') loadAudit();
  if (name === 'history') fillBoardChoice();
  if (name === 'send') fillTargets();
}
for (const b of document.querySelectorAll('#tabs button')) b.addEventListener('click', () => showTab(b.dataset.tab));

// ---- live updates ----
function connect() {
  const events = new EventSource('/api/events');
  state.socket = events;
  events.onmessage = (m) => {
    const msg = JSON.parse(m.data);
    $('#live').classList.add('on');
    if (msg.type === 'boards') { state.boards.clear(); msg.boards.forEach(b => state.boards.set(b.id, b)); }
    if (msg.broker) showBroker(msg.broker);
    if (msg.boards && msg.type === 'update') msg.boards.forEach(b => { if (b.id) state.boards.set(b.id, b); });
    if (msg.groups) state.groups = msg.groups;
    if (msg.sends) msg.sends.forEach(s => { if (state.send && s.id === state.send.id) showProgress(s); });
    if (msg.type !== 'ping') renderTiles();
  };
  events.onerror = async () => {
    $('#live').classList.remove('on');
    // The browser tries again by itself; a session that ended shows the login instead.
    if (events.readyState === EventSource.CLOSED || !(await api('/api/session')).ok) {
      events.close();
      if (state.session) setTimeout(async () => { const r = await api('/api/session'); if (r.ok) connect(); }, 2000);
    }
  };
}

async function refreshBoards() {
  const r = await api('/api/boards');
  if (!r.ok) return;
  state.boards.clear();
  r.data.boards.forEach(b => state.boards.set(b.id, b));
  state.groups = r.data.groups;
  showBroker(r.data.broker);
  renderTiles();
}

// While the centre has lost the broker, every tile shows what was last known.
function showBroker(broker) {
  state.broker = broker;
  const box = $('#broker');
  box.hidden = broker.connected;
  box.textContent = broker.connected ? '' :
    `The centre has lost the broker since ${when(broker.since)}: every board shows what was last known.`;
  renderTiles();
}

// ---- tiles ----
function tile(b) {
  const marked = b.marked;
  const stale = !state.broker.connected;
  const t = el('article', { class: 'tile' + (marked ? ' marked' : '') + (stale ? ' stale' : ''), 'data-board': b.id,
    'data-stale': String(stale),
    'data-online': String(b.online), 'data-present': String(b.present), 'data-outcome': b.outcome || '',
    'data-mismatch': String(b.mismatch.length > 0) });
  const head = el('header', {}, el('h3', {}, b.id),
    el('span', { class: 'badge ' + (b.online ? 'ok' : 'bad') }, b.online ? word('status', 'Online') : (b.status || 'not heard')),
    el('span', { class: 'badge ' + (b.present ? 'ok' : 'bad') }, b.present ? 'board present' : 'board absent'));
  t.append(head);
  if (stale) t.append(el('p', { class: 'last-known' }, 'last known before ' + when(state.broker.since)));
  t.append(el('p', { class: 'groups' }, b.groups.length ? 'groups: ' + b.groups.join(', ') : 'no group'));
  const figures = b.figures.length ? b.figures : b.verified;
  const grid = el('div', { class: 'slots' });
  for (let k = 1; k <= 10; k++) {
    const s = el('span', { class: 'slot', 'data-slot': String(k) }, figures[k - 1] === undefined ? '' : figures[k - 1]);
    if (b.mismatch.includes(k)) { s.classList.add('differ'); if (b.expected) s.title = 'should show ' + b.expected.figures[k - 1]; }
    if (!b.shown[k - 1]) s.classList.add('hidden-slot');
    grid.append(s);
  }
  t.append(grid);
  const lines = el('dl');
  const line = (k, v, cls) => { lines.append(el('dt', {}, k), el('dd', cls ? { class: cls } : {}, v)); };
  line('verified', b.verifiedAt ? when(b.verifiedAt) : 'never');
  line('last result', b.outcome ? b.outcome + (b.reason ? ': ' + b.reason : '') + ' (' + when(b.outcomeAt) + ')' : 'none yet',
    state.words.failure.includes(b.outcome) ? 'bad-text' : '');
  if (b.mismatch.length) line('differs', 'slot ' + b.mismatch.join(', ') + ' from ' + (b.expected ? b.expected.target : 'the last set'), 'bad-text');
  if (b.host) line('host', b.host + (b.version ? ' · ' + b.version : ''));
  t.append(lines);
  return t;
}

// Each tile is made again only when its board's data changed: an update names a few boards of
// many, and making every tile anew on each one costs the page more than the update itself.
const tiles = new Map();   // id -> { data: the board's JSON text, element }

function tileOf(b) {
  const data = JSON.stringify(b) + (state.broker.connected ? '' : state.broker.since);
  let t = tiles.get(b.id);
  if (!t || t.data !== data) {
    const element = tile(b);
    if (t && t.element.parentNode) t.element.replaceWith(element);
    t = { data, element };
    tiles.set(b.id, t);
  }
  return t.element;
}

function renderTiles() {
  const filter = $('#board-filter').value;
  const ids = [...state.boards.keys()].sort(byName);
  for (const id of tiles.keys()) if (!state.boards.has(id)) tiles.delete(id);
  const box = $('#tiles');
  const shown = ids.map(id => state.boards.get(id)).filter(b => filter !== 'marked' || b.marked).map(tileOf);
  const children = box.children;
  if (shown.length !== children.length || shown.some((e, k) => children[k] !== e)) box.replaceChildren(...shown);
  const marked = ids.filter(id => state.boards.get(id).marked).length;
  $('#board-counts').textContent = `${ids.length} boards, ${ids.length - marked} fine, ${marked} marked`;
}
$('#board-filter').addEventListener('change', renderTiles);

// ---- sending ----
const figureInputs = $('#figure-inputs');
for (let k = 1; k <= 10; k++)
  figureInputs.append(el('label', {}, String(k), el('input', { name: 'figure' + k, inputmode: 'decimal', size: '7', autocomplete: 'off' })));

function fillTargets() {
  const sel = $('#target');
  const keep = sel.value;
  const options = state.groups.map(g => el('option', { value: 'group:' + g }, 'group ' + g));
  for (const id of [...state.boards.keys()].sort(byName)) options.push(el('option', { value: 'board:' + id }, 'board ' + id));
  sel.replaceChildren(...options);
  if (keep) sel.value = keep;
}

function figuresOfForm() {
  const f = $('#send');
  const values = [];
  for (let k = 1; k <= 10; k++) values.push(f['figure' + k].value.trim());
  while (values.length && values[values.length - 1] === '') values.pop();
  const bad = values.findIndex(v => !/^[0-9]*\.?[0-9]*$/.test(v) || !/[0-9]/.test(v));
  return { values, bad };
}

$('#send').addEventListener('submit', async (ev) => {
  ev.preventDefault();
  $('#send-error').textContent = '';
  $('#preview').hidden = true;
  const { values, bad } = figuresOfForm();
  if (!values.length) { $('#send-error').textContent = 'Give at least the first figure.'; return; }
  if (bad >= 0) { $('#send-error').textContent = `Figure ${bad + 1} "${values[bad]}" is not digits with at most one point.`; return; }
  const target = $('#target').value;
  const r = await api('/api/preview', { target, figures: values });
  if (!r.ok) { $('#send-error').textContent = r.data.error || 'The check failed.'; return; }
  state.preview = { target, figures: values };
  const table = $('#preview-table');
  const head = el('tr', {}, el('th', {}, 'board'));
  for (let k = 1; k <= 10; k++) head.append(el('th', {}, String(k)));
  head.append(el('th', {}, ''));
  const rows = [head];
  for (const b of r.data.boards) {
    const row = el('tr', { 'data-board': b.id }, el('td', {}, b.id + (b.online ? '' : ' (offline)')));
    b.shows.forEach((s, k) => row.append(el('td', { class: k < values.length ? 'given' : 'kept' }, s === '' ? '–' : s)));
    row.append(el('td', { class: 'bad-text' }, b.rejections.join('; ')));
    rows.push(row);
  }
  table.replaceChildren(...rows);
  // A board that refuses the figures is answered for itself; the others take them.
  $('#confirm-count').textContent = String(r.data.taking);
  const refusing = r.data.boards.length - r.data.taking;
  $('#refusing').textContent = refusing ? `${refusing} of ${r.data.boards.length} boards refuse these figures.` : '';
  $('#confirm').disabled = !r.data.ok;
  $('#preview').hidden = false;
});

$('#cancel').addEventListener('click', () => { $('#preview').hidden = true; state.preview = null; });

$('#confirm').addEventListener('click', async () => {
  if (!state.preview) return;
  $('#confirm').disabled = true;
  const r = await api('/api/send', state.preview);
  $('#preview').hidden = true;
  if (!r.ok) { $('#send-error').textContent = r.data.error || 'The send failed.'; return; }
  if (r.data.warning) $('#send-error').textContent = r.data.warning;
  showProgress(r.data);
});

$('#resend').addEventListener('click', async () => {
  if (!state.send) return;
  $('#resend').disabled = true;
  const r = await api('/api/send', { resend: state.send.id });
  $('#resend').disabled = false;
  if (!r.ok) { $('#send-error').textContent = r.data.error || 'The send failed.'; return; }
  $('#send-error').textContent = r.data.warning || '';
  showProgress(r.data);
});

function showProgress(s) {
  state.send = s;
  $('#progress').hidden = false;
  $('#send-id').textContent = `${s.id} · ${s.target} · ${s.figures.join(' ')}`;
  $('#send-summary').textContent = s.summary;
  $('#send-summary').className = s.verified === s.boards.length ? 'good-text' : (s.failed ? 'bad-text' : '');
  // Each board's answers in the order they came: a later restore or failure follows its verification.
  const waiting = word('outcome', 'Waiting');
  const answers = (b) => b.events.map(e => `${e.outcome}${e.reason ? ' – ' + e.reason : ''} (${when(e.at)})`).join(', then ');
  $('#send-boards').replaceChildren(...s.boards.map(b => el('li', { 'data-board': b.id, 'data-outcome': b.outcome,
    'data-verified-at': b.verifiedAt, class: b.holds ? 'holds' : (b.outcome === waiting ? 'waiting' : 'failed') },
    `${b.id}: ${b.outcome === waiting ? (b.online ? waiting : 'offline, ' + waiting) : answers(b)}`)));
  const stuck = s.boards.some(b => !b.holds && (b.outcome !== waiting || !b.online));
  $('#resend').hidden = !stuck;
}

// ---- history ----
function fillBoardChoice() {
  const sel = $('#history-board');
  const keep = sel.value;
  sel.replaceChildren(...[...state.boards.keys()].sort(byName).map(id => el('option', { value: id }, id)));
  if (keep) sel.value = keep;
  if (!$('#history-to').value) {
    const now = new Date();
    const local = (d) => new Date(d.getTime() - d.getTimezoneOffset() * 60000).toISOString().slice(0, 19);
    $('#history-to').value = local(now);
    $('#history-from').value = local(new Date(now.getTime() - 7 * 86400000));
    $('#at-time').value = local(now);
  }
}

$('#history').addEventListener('submit', async (ev) => {
  ev.preventDefault();
  const q = new URLSearchParams({ board: $('#history-board').value, from: $('#history-from').value, to: $('#history-to').value });
  const r = await api('/api/history?' + q);
  if (!r.ok) { $('#chart').replaceChildren(el('p', { class: 'error' }, r.data.error || 'No history.')); return; }
  drawChart(r.data);
});

// One small step chart per figure: each figure keeps its own scale.
function drawChart(h) {
  const box = $('#chart');
  if (!h.points.length) { box.replaceChildren(el('p', {}, `No verified figures of ${h.board} in this period.`)); return; }
  const t0 = new Date(h.from).getTime(), t1 = new Date(h.to).getTime();
  const W = 720, H = 44, L = 70, R = 90;
  const x = (t) => L + (W - L - R) * (t - t0) / Math.max(1, t1 - t0);
  const image = svg('svg', { viewBox: `0 0 ${W} ${H * 10 + 20}`, class: 'chart', role: 'img' });
  for (let k = 0; k < 10; k++) {
    const values = h.points.map(p => ({ t: new Date(p.at).getTime(), v: parseFloat(p.figures[k]) })).filter(p => !isNaN(p.v));
    const top = k * H + 4, bottom = top + H - 12;
    image.append(svg('line', { x1: L, x2: W - R, y1: bottom, y2: bottom, class: 'axis' }));
    const label = svg('text', { x: 4, y: top + 20, class: 'label' }); label.textContent = 'figure ' + (k + 1); image.append(label);
    if (!values.length) continue;
    const lo = Math.min(...values.map(p => p.v)), hi = Math.max(...values.map(p => p.v));
    const y = (v) => hi === lo ? (top + bottom) / 2 : bottom - (bottom - top) * (v - lo) / (hi - lo);
    let d = '';
    values.forEach((p, i) => {
      d += (i ? ` H${x(p.t).toFixed(1)} V${y(p.v).toFixed(1)}` : `M${x(p.t).toFixed(1)} ${y(p.v).toFixed(1)}`);
    });
    d += ` H${(W - R).toFixed(1)}`;
    image.append(svg('path', { d, class: 'series s' + k }));
    for (const p of values) {
      const c = svg('circle', { cx: x(p.t), cy: y(p.v), r: 2.5, class: 'dot s' + k });
      const tip = svg('title'); tip.textContent = `${when(new Date(p.t).toISOString())}: ${p.v}`; c.append(tip);
      image.append(c);
    }
    const last = svg('text', { x: W - R + 6, y: top + 20, class: 'value' }); last.textContent = h.points[h.points.length - 1].figures[k] || '';
    image.append(last);
  }
  const a = svg('text', { x: L, y: H * 10 + 14, class: 'label' }); a.textContent = when(h.from); image.append(a);
  const b = svg('text', { x: W - R, y: H * 10 + 14, class: 'label', 'text-anchor': 'end' }); b.textContent = when(h.to); image.append(b);
  box.replaceChildren(el('h2', {}, `${h.board}: ${h.points.length} verified sets`), image);
}

$('#shown-at').addEventListener('submit', async (ev) => {
  ev.preventDefault();
  const q = new URLSearchParams({ board: $('#history-board').value, at: $('#at-time').value });
  const r = await api('/api/history?' + q);
  const out = $('#at-result');
  if (!r.ok) { out.replaceChildren(el('p', { class: 'error' }, r.data.error || 'Unknown.')); return; }
  if (!r.data.shown) { out.replaceChildren(el('p', {}, 'Nothing verified before then.')); return; }
  const grid = el('div', { class: 'slots' });
  r.data.shown.figures.forEach((f, k) => grid.append(el('span', { class: 'slot', 'data-slot': String(k + 1) }, f)));
  out.replaceChildren(grid, el('p', {}, `verified ${when(r.data.shown.since)} (${r.data.shown.request || 'no request id'})`));
});

// ---- audit ----
async function loadAudit() {
  const r = await api('/api/audit');
  if (!r.ok) return;
  const head = el('tr', {}, ...['when', 'who', 'to', 'figures', 'verified', 'not verified'].map(h => el('th', {}, h)));
  // A board that verified keeps its time there, also when a later answer says it lost the set.
  const rows = r.data.sends.map(s => el('tr', { 'data-send': s.id }, el('td', {}, when(s.at)), el('td', {}, s.user), el('td', {}, s.target),
    el('td', { class: 'mono' }, s.figures.join(' ')),
    el('td', { class: 'verified' }, s.boards.filter(b => b.verifiedAt).map(b => `${b.id} (${when(b.verifiedAt)})`).join(', ')),
    el('td', { class: 'bad-text' }, s.boards.filter(b => !b.holds).map(b => `${b.id} (${label(b.outcome)})`).join(', '))));
  $('#audit-table').replaceChildren(head, ...rows);
}

// ---- start ----
(async () => {
  state.words = await (await fetch('/api/words', { credentials: 'same-origin' })).json();
  const r = await fetch('/api/session', { credentials: 'same-origin' });
  if (r.ok) showApp(await r.json()); else showLogin();
})();
