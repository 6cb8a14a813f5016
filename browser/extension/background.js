// Kiv Downloader's background script: asks the user in a window of its own
// before a site's run, then opens one native messaging port to
// `kiv-downloader --browser-host` per run, between it and the page's content
// script. The page's address and origin come from the browser (the port's
// sender), never from the page; the host checks everything again.
'use strict';

if (typeof importScripts === 'function') importScripts('count.js', 'cookies.js');  // Chromium

const api = globalThis.browser ?? globalThis.chrome;
const HOST = 'com.velmo.kiv_downloader';
const PAGE_EVENTS = new Set(['beforeunload', 'leave-question-open', 'leave-question-closed', 'pagehide']);
const HOST_MESSAGES = new Set(['guard', 'leave-text', 'end']);
// An answer that comes sooner was not given to a question the user had
// time to read (a click meant for whatever was there before).
const QUESTION_SETTLE_MS = 500;

async function allowedSites() {
  const { allowedSites: sites } = await api.storage.local.get('allowedSites');
  return Array.isArray(sites) ? sites.filter((site) => site !== 'null') : [];
}

async function allowAlways(site) {
  if (site.opaque) return;  // a sandboxed page has no origin to remember
  const sites = await allowedSites();
  if (!sites.includes(site.origin)) await api.storage.local.set({ allowedSites: [...sites, site.origin] });
}

// The page's origin; a sandboxed page's is opaque ("null"), shown by its
// address's origin but never remembered.
function siteOf(sender) {
  return { origin: new URL(sender.url).origin, opaque: sender.origin === 'null' };
}

// A page's top frame, on the web.
function isPage(sender) {
  return sender.tab !== undefined && sender.frameId === 0 && /^https?:/.test(sender.url ?? '');
}

function isQuestionPage(sender) {
  return sender.id === api.runtime.id && (sender.url ?? '').startsWith(api.runtime.getURL('question.html'));
}

// The run's end closes the page's tab, as the control closed the browser
// window; never the browser's last tab, which would end the browser.
async function closeTab(tabId) {
  const tabs = await api.tabs.query({});
  if (tabs.length > 1) await api.tabs.remove(tabId);
}

// Open questions by the id in their page's address: the page may ask for
// its question before windows.create has told us the window's id.
const questions = new Map();

function ask(page, site, files) {
  const id = crypto.randomUUID();
  return new Promise((resolve) => {
    const question = { page, site, files, opened: Date.now(), resolve, windowId: null };
    questions.set(id, question);
    api.windows.create({ url: api.runtime.getURL(`question.html?${id}`), type: 'popup',
                         width: 520, height: 260, focused: true }).then((window) => {
      question.windowId = window.id;
    }, () => {
      questions.delete(id);
      resolve('no');
    });
  });
}

api.windows.onRemoved.addListener((windowId) => {
  for (const [id, question] of questions) {
    if (question.windowId !== windowId) continue;
    questions.delete(id);
    question.resolve('no');
  }
});

function onQuestionMessage(message, sender) {
  const id = new URL(sender.url).search.slice(1);
  const question = questions.get(id);
  if (!question) return null;
  if (message.type === 'question') {
    return { origin: question.site.origin, opaque: question.site.opaque, files: question.files };
  }
  const choices = question.site.opaque ? ['once', 'no'] : ['once', 'always', 'no'];
  if (!choices.includes(message.choice) || question.windowId === null ||
      sender.tab?.windowId !== question.windowId || Date.now() - question.opened < QUESTION_SETTLE_MS) {
    return { taken: false };
  }
  questions.delete(id);
  question.resolve(message.choice);
  api.windows.remove(question.windowId);
  return { taken: true };
}

api.runtime.onMessage.addListener((message, sender, reply) => {
  if (!isQuestionPage(sender) || !['question', 'answer'].includes(message?.type)) return false;
  reply(onQuestionMessage(message, sender));
  return false;
});

api.runtime.onConnect.addListener((page) => {
  const sender = page.sender;
  if (page.name !== 'kiv-page' || !isPage(sender)) {
    page.disconnect();
    return;
  }
  const site = siteOf(sender);
  let host = null;
  let asking = false;
  let ended = false;
  let gone = false;

  async function decide(params) {
    const sites = await allowedSites();
    if (!site.opaque && sites.includes(site.origin)) return 'once';
    asking = true;
    page.postMessage({ type: 'asking' });
    const answer = await ask(page, site, globalThis.kivFileCount(params.find(([n]) => /^contentscount$/i.test(n))?.[1]));
    asking = false;
    if (answer === 'always') await allowAlways(site);
    return answer;
  }

  async function startRun(params) {
    if (host !== null || asking || !Array.isArray(params)) return;
    const answer = await decide(params);
    if (gone) return;
    if (answer === 'no') {
      page.postMessage({ type: 'declined' });
      return;
    }
    let cookies = [];
    try {
      cookies = await globalThis.kivTabCookies(sender.tab, sender.url, params);
    } catch {
      cookies = [];  // no session to carry: the server says what it thinks of that
    }
    if (gone || host !== null) return;
    host = api.runtime.connectNative(HOST);
    host.onMessage.addListener((reply) => {
      if (!HOST_MESSAGES.has(reply?.type)) return;
      if (reply.type === 'end') {
        ended = true;
        if (reply.quit === true) closeTab(sender.tab.id);
      }
      page.postMessage(reply);
    });
    host.onDisconnect.addListener(() => {
      const why = api.runtime.lastError?.message ?? '';
      host = null;
      if (!ended && !gone) page.postMessage({ type: 'end', result: 'failed', text: why ? api.i18n.getMessage('stoppedWhy', [why]) : '' });
    });
    page.postMessage({ type: 'running' });
    host.postMessage({ type: 'start', url: sender.url, origin: site.origin, params, cookies });
  }

  page.onMessage.addListener((message) => {
    if (message?.type === 'run') startRun(message.params);
    else if (host !== null && PAGE_EVENTS.has(message?.type)) host.postMessage({ type: message.type });
  });
  // The page is gone (tab closed, navigation): so is its run.
  page.onDisconnect.addListener(() => {
    gone = true;
    // A question for a page that is gone has nothing left to answer.
    for (const question of questions.values()) {
      if (question.page === page && question.windowId !== null) api.windows.remove(question.windowId).catch(() => {});
    }
    if (host !== null) host.disconnect();
  });
});
