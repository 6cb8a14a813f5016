// The options page: the sites allowed always, each with a button to remove it.
'use strict';

const api = globalThis.browser ?? globalThis.chrome;
const text = (key) => api.i18n.getMessage(key) || key;
document.title = text('optionsTitle');
document.getElementById('heading').textContent = text('optionsHeading');
document.getElementById('intro').textContent = text('optionsIntro');
document.getElementById('none').textContent = text('optionsNone');

async function render() {
  const { allowedSites: stored } = await api.storage.local.get('allowedSites');
  const sites = Array.isArray(stored) ? stored.filter((site) => typeof site === 'string') : [];
  const list = document.getElementById('sites');
  list.replaceChildren(...sites.map((site) => {
    const item = document.createElement('li');
    const remove = document.createElement('button');
    item.textContent = site;
    remove.textContent = text('remove');
    remove.addEventListener('click', async () => {
      const { allowedSites: now } = await api.storage.local.get('allowedSites');
      await api.storage.local.set({ allowedSites: (now ?? []).filter((s) => s !== site) });
    });
    item.append(remove);
    return item;
  }));
  document.getElementById('none').hidden = sites.length > 0;
}

api.storage.onChanged.addListener(render);
render();
