// The files the page keeps across visits in the browser's IndexedDB: the
// RAM and register file it saves, and the firmware the user loaded. A
// write the page starts while it is being left may not be committed
// before it goes, so each write is first noted whole in localStorage,
// which is written at once, and the note is dropped once the database has
// it; the next visit finishes a write left noted.
const Database = 'varnox';
const Store = 'files';
const Pending = 'varnox-pending-files';

const toText = (bytes) => btoa(Array.from(bytes, (b) => String.fromCharCode(b)).join(''));
const fromText = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));

function request(r) {
  return new Promise((resolve, reject) => {
    r.onsuccess = () => resolve(r.result);
    r.onerror = () => reject(r.error);
  });
}

export class FileStore {
  static async open() {
    const opening = indexedDB.open(Database, 1);
    opening.onupgradeneeded = () => opening.result.createObjectStore(Store);
    return new FileStore(await request(opening));
  }

  constructor(db) { this.db = db; }

  store(mode) { return this.db.transaction(Store, mode).objectStore(Store); }

  // { name: Uint8Array } of every file kept, a write left noted included.
  async all() {
    const noted = localStorage.getItem(Pending);
    if (noted) await this.put(Object.fromEntries(Object.entries(JSON.parse(noted)).map(([n, t]) => [n, fromText(t)])));
    const store = this.store('readonly');
    const [names, contents] = await Promise.all([request(store.getAllKeys()), request(store.getAll())]);
    return Object.fromEntries(names.map((name, i) => [name, new Uint8Array(contents[i])]));
  }

  // The files written in one transaction: all of them or none.
  put(files) {
    const note = JSON.stringify(Object.fromEntries(Object.entries(files).map(([n, b]) => [n, toText(b)])));
    try {
      localStorage.setItem(Pending, note);
    } catch {
      // No room for the note: the database write alone.
    }
    const transaction = this.db.transaction(Store, 'readwrite');
    for (const [name, bytes] of Object.entries(files)) transaction.objectStore(Store).put(bytes, name);
    return new Promise((resolve, reject) => {
      transaction.oncomplete = () => {
        if (localStorage.getItem(Pending) === note) localStorage.removeItem(Pending);
        resolve();
      };
      transaction.onerror = () => reject(transaction.error);
      transaction.onabort = () => reject(transaction.error);
    });
  }

  remove(name) { return request(this.store('readwrite').delete(name)); }
}
