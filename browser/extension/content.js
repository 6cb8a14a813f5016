// Kiv Downloader's content script: finds the control's <object> in the page,
// puts a placeholder in its place, asks for the run (the background script
// asks the user in its own window) and carries the page's events to it. The page cannot reach any of
// this: the placeholder lives in a closed shadow root, only trusted events
// (the user's, the browser's) count, and nothing listens to the page's
// messages.
'use strict';

(() => {
  const api = globalThis.browser ?? globalThis.chrome;
  const CLASS_ID = '7126e9c3-57ee-4eba-a6ac-286c10450471';
  const PROG_ID = 'kivdownloadcontr.kivdownloadcontrctrl.1';
  // The same limits as kiv-downloader's page parser.
  const MAX_PAGE_ELEMENTS = 20000;
  const MAX_PIXELS = 100000;
  const DEFAULT_SIZE = { width: 480, height: 300 };

  function namesControl(object) {
    const classId = (object.getAttribute('classid') ?? '').trim().toLowerCase();
    if (classId.startsWith('clsid:')) {
      let guid = classId.slice(6).trim();
      if (guid.startsWith('{') && guid.endsWith('}')) guid = guid.slice(1, -1);
      return guid === CLASS_ID;
    }
    if (classId.startsWith('progid:')) return classId.slice(7).trim() === PROG_ID;
    return (object.getAttribute('type') ?? '').trim().toLowerCase() === PROG_ID;
  }

  // The object's own <param> pairs in page order (not those of an object
  // inside it); the first of a name wins, names compare without case.
  function readParams(object) {
    const params = [];
    const seen = new Set();
    for (const param of object.querySelectorAll('param')) {
      if (param.parentElement.closest('object') !== object) continue;
      const name = param.getAttribute('name');
      if (name === null || seen.has(name.toLowerCase())) continue;
      seen.add(name.toLowerCase());
      params.push([name, param.getAttribute('value') ?? '']);
    }
    return params;
  }

  function paramValue(params, name) {
    const found = params.find(([key]) => key.toLowerCase() === name);
    return found ? found[1] : '';
  }

  function pixels(text, fallback) {
    const match = /^\s*(\d+)(px)?\s*$/i.exec(text ?? '');
    const value = match ? Number(match[1]) : NaN;
    return value > 0 && value <= MAX_PIXELS ? value : fallback;
  }

  const objects = [...document.getElementsByTagName('object')].filter(namesControl);
  if (objects.length === 0) return;
  const object = objects[0];
  const params = readParams(object);
  const view = globalThis.kivPlaceholder.create(object, {
    width: pixels(object.getAttribute('width'), DEFAULT_SIZE.width),
    height: pixels(object.getAttribute('height'), DEFAULT_SIZE.height),
    caption: paramValue(params, 'caption') || 'Kiv Downloader',
    files: globalThis.kivFileCount(paramValue(params, 'contentscount')),
    origin: location.origin,
  });
  if (document.getElementsByTagName('*').length > MAX_PAGE_ELEMENTS) {
    view.refuse(kivText('tooComplex', MAX_PAGE_ELEMENTS));
    return;
  }

  let port = null;
  let guarded = false;
  let ended = false;

  function send(type) {
    if (port !== null && !ended) port.postMessage({ type });
  }

  function onRunMessage(message) {
    switch (message.type) {
      case 'guard':
        guarded = message.on === true;
        return;
      case 'leave-text':
        view.showLeaveText(String(message.text));
        return;
      case 'asking':
        view.showAsking();
        return;
      case 'declined':
        view.showDeclined();
        return;
      case 'running':
        view.showRunning();
        return;
      case 'end':
        ended = true;
        guarded = false;
        view.showEnd(String(message.result), String(message.text));
        return;
    }
  }

  function connect() {
    port = api.runtime.connect({ name: 'kiv-page' });
    port.onMessage.addListener(onRunMessage);
    port.onDisconnect.addListener(() => {
      if (!ended) onRunMessage({ type: 'end', result: 'failed', text: kivText('stopped') });
      port = null;
    });
  }

  function requestRun() {
    if (ended) return;
    if (port === null) connect();
    port.postMessage({ type: 'run', params });
  }

  window.addEventListener('beforeunload', (event) => {
    if (!event.isTrusted || port === null || ended) return;
    if (!guarded) {
      send('beforeunload');
      return;
    }
    // The browser asks its own question; a timer runs only once it was
    // answered with Stay.
    event.preventDefault();
    event.returnValue = '';
    send('leave-question-open');
    setTimeout(() => send('leave-question-closed'), 0);
  });
  window.addEventListener('pagehide', (event) => {
    if (event.isTrusted) send('pagehide');
  });

  view.onAskAgain(requestRun);
  requestRun();
})();
