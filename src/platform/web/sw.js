'use strict';
// Keeps the whole site, so that after one visit the game starts with no
// network. tools/web.sh names the cache by a hash of the site's files: a new
// site is a new worker with a cache of its own, which takes over once no page
// runs the old one (no page ever mixes two versions' files), and then throws
// the old caches away.
const cacheName = 'tessalune-@VERSION@';
const files = [@FILES@];

self.addEventListener('install', (e) => {
  // Past the browser's own cache: the files as the server has them now.
  e.waitUntil(caches.open(cacheName).then((cache) =>
    cache.addAll(files.map((f) => new Request(f, { cache: 'reload' })))));
});

self.addEventListener('activate', (e) => {
  e.waitUntil(caches.keys()
    .then((names) => Promise.all(names
      .filter((n) => n.startsWith('tessalune-') && n !== cacheName)
      .map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (e) => {
  if (e.request.method !== 'GET') return;
  // The address's query (?framelog and the like) names the same page.
  e.respondWith(caches.open(cacheName)
    .then((cache) => cache.match(e.request, { ignoreSearch: true }))
    .then((hit) => hit || fetch(e.request)));
});
