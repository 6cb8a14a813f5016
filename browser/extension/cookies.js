// The cookies the browser would send with a top-level GET of each file's
// address from the page's tab: its cookie store (container, private
// window), first-party isolation and partitioned cookies where the browser
// has them. They go to the native host in the start message and nowhere
// else; the host checks them again.
'use strict';

globalThis.kivTabCookies = (() => {
  const api = globalThis.browser ?? globalThis.chrome;
  const MAX_COOKIES = 3000;
  const MAX_BYTES = 768 * 1024;  // the host takes messages up to 1 MiB

  async function storeOf(tab) {
    if (tab.cookieStoreId) return tab.cookieStoreId;  // Firefox
    const stores = await api.cookies.getAllCookieStores();
    return stores.find((store) => store.tabIds.includes(tab.id))?.id;
  }

  async function read(details) {
    try {
      return await api.cookies.getAll(details);
    } catch {
      return null;
    }
  }

  async function cookiesFor(url, storeId) {
    const base = storeId ? { url, storeId } : { url };
    const site = new URL(url);
    // Firefox with first-party isolation answers only with a first party;
    // a top-level GET of the file is its own first party.
    const plain = (await read(base)) ?? (await read({ ...base, firstPartyDomain: site.hostname })) ?? [];
    const partitioned = (await read({ ...base, partitionKey: { topLevelSite: site.origin } })) ?? [];
    return [...plain, ...partitioned];
  }

  // The page's file addresses (curl1, curl2, ...) that are http(s).
  function fileUrls(params) {
    const urls = new Set();
    for (const [name, value] of params) {
      if (!/^curl[0-9]+$/i.test(name)) continue;
      try {
        if (/^https?:$/.test(new URL(value).protocol)) urls.add(value);
      } catch { /* not an address: the host refuses the page */ }
    }
    return [...urls];
  }

  return async function tabCookies(tab, pageUrl, params) {
    const storeId = await storeOf(tab);
    const pageHost = new URL(pageUrl).hostname;
    const cookies = [];
    const seen = new Set();
    let bytes = 0;
    for (const url of fileUrls(params)) {
      for (const c of await cookiesFor(url, storeId)) {
        // A navigation that leaves the page's host carries no strict cookie.
        if (c.sameSite === 'strict' && new URL(url).hostname !== pageHost) continue;
        const key = `${url}\n${c.domain}\n${c.path}\n${c.name}`;
        if (seen.has(key)) continue;
        seen.add(key);
        const cookie = { url, name: c.name, value: c.value, domain: c.domain, hostOnly: c.hostOnly,
                         path: c.path, secure: c.secure, httpOnly: c.httpOnly };
        bytes += JSON.stringify(cookie).length;
        if (cookies.length === MAX_COOKIES || bytes > MAX_BYTES) return cookies;
        cookies.push(cookie);
      }
    }
    return cookies;
  };
})();
