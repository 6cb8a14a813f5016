// Kiv Downloader's background script: one native messaging port to
// `kiv-downloader --browser-host` per run, between it and the page's content
// script. The page's address and origin come from the browser (the port's
// sender), never from the page; the host checks everything again.
'use strict';

const api = globalThis.browser ?? globalThis.chrome;
const HOST = 'com.velmo.kiv_downloader';
const PAGE_EVENTS = new Set(['beforeunload', 'leave-question-open', 'leave-question-closed', 'pagehide']);
const HOST_MESSAGES = new Set(['guard', 'leave-text', 'end']);

async function allowedSites() {
  const { allowedSites: sites } = await api.storage.local.get('allowedSites');
  return Array.isArray(sites) ? sites : [];
}

async function allowAlways(origin) {
  const sites = await allowedSites();
  if (!sites.includes(origin)) await api.storage.local.set({ allowedSites: [...sites, origin] });
}

function senderOrigin(sender) {
  return sender.origin ?? new URL(sender.url).origin;
}

// A page's top frame, on the web.
function isPage(sender) {
  return sender.tab !== undefined && sender.frameId === 0 && /^https?:/.test(sender.url ?? '');
}

// The run's end closes the page's tab, as the control closed the browser
// window; never the browser's last tab, which would end the browser.
async function closeTab(tabId) {
  const tabs = await api.tabs.query({});
  if (tabs.length > 1) await api.tabs.remove(tabId);
}

api.runtime.onMessage.addListener((message, sender, reply) => {
  if (message?.type !== 'allowed' || !isPage(sender)) return false;
  allowedSites().then((sites) => reply({ always: sites.includes(senderOrigin(sender)) }));
  return true;
});

api.runtime.onConnect.addListener((page) => {
  const sender = page.sender;
  if (page.name !== 'kiv-page' || !isPage(sender)) {
    page.disconnect();
    return;
  }
  let host = null;
  let ended = false;

  function startRun(message) {
    if (host !== null || !Array.isArray(message.params)) return;
    const origin = senderOrigin(sender);
    if (message.always === true) allowAlways(origin);
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
      if (!ended) page.postMessage({ type: 'end', result: 'failed', text: why ? `Kiv Downloader stopped: ${why}` : '' });
    });
    host.postMessage({ type: 'start', url: sender.url, origin, params: message.params });
  }

  page.onMessage.addListener((message) => {
    if (message?.type === 'run') startRun(message);
    else if (host !== null && PAGE_EVENTS.has(message?.type)) host.postMessage({ type: message.type });
  });
  // The page is gone (tab closed, navigation): so is its run.
  page.onDisconnect.addListener(() => {
    if (host !== null) host.disconnect();
  });
});
