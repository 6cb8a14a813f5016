// The site question, in a window of the extension's own: the page cannot
// draw over it. The buttons take no click in their first 500 ms (the
// background script holds to that too), so a click aimed at what was there
// before cannot answer it.
'use strict';

(async () => {
  const api = globalThis.browser ?? globalThis.chrome;
  const text = (key, ...values) => api.i18n.getMessage(key, values.map(String)) || key;
  // The background script may still be starting when this window opens.
  let question = null;
  for (let attempt = 0; attempt < 50 && !question; ++attempt) {
    question = await api.runtime.sendMessage({ type: 'question' }).catch(() => null);
    if (!question) await new Promise((resolve) => setTimeout(resolve, 100));
  }
  if (!question) {
    window.close();
    return;
  }
  const what = question.files === 0 ? text('filesUnknown')
    : question.files === 1 ? text('filesOne') : text('filesMany', question.files);
  document.title = text('extName');
  document.getElementById('text').textContent =
    text(question.opaque ? 'questionSandboxed' : 'question', question.origin, what);
  const labels = { once: 'allowOnce', always: 'allowAlways', no: 'no' };
  for (const [id, key] of Object.entries(labels)) {
    const button = document.getElementById(id);
    button.textContent = text(key);
    button.hidden = id === 'always' && question.opaque;
    button.addEventListener('click', (event) => {
      if (event.isTrusted && !button.disabled) api.runtime.sendMessage({ type: 'answer', choice: id });
    });
  }
  setTimeout(() => {
    for (const id of Object.keys(labels)) document.getElementById(id).disabled = false;
  }, 600);
})();
