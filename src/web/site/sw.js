// Serves the page from its cache, so that it works with the network gone after one visit.
const CACHE = 'carillo-@SITE_VERSION@';
const FILES = ['./', 'index.html', 'style.css', 'app.js', 'busy.js', 'core.js', 'inputs.js', 'listing.js', 'messages.js',
  'names.js', 'sound.js', 'tasks.js', 'fflate.js', 'carillo-core.js', 'carillo-core.wasm', 'manifest.webmanifest', 'icon-192.png',
  'icon-512.png'];

self.addEventListener('install', event => {
  event.waitUntil(caches.open(CACHE).then(cache => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', event => {
  event.waitUntil(caches.keys()
    .then(keys => Promise.all(keys.filter(key => key !== CACHE).map(key => caches.delete(key))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', event => {
  if (event.request.method !== 'GET' || new URL(event.request.url).origin !== location.origin) return;
  event.respondWith(caches.open(CACHE)
    .then(cache => cache.match(event.request, { ignoreSearch: true }))
    .then(cached => cached || fetch(event.request)));
});
