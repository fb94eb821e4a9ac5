// The files the page keeps across visits in the browser's IndexedDB: the
// RAM and register file it saves, and the firmware the user loaded.
const Database = 'varnox';
const Store = 'files';

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

  // { name: Uint8Array } of every file kept.
  async all() {
    const store = this.store('readonly');
    const [names, contents] = await Promise.all([request(store.getAllKeys()), request(store.getAll())]);
    return Object.fromEntries(names.map((name, i) => [name, new Uint8Array(contents[i])]));
  }

  // The files written in one transaction: all of them or none.
  put(files) {
    const transaction = this.db.transaction(Store, 'readwrite');
    for (const [name, bytes] of Object.entries(files)) transaction.objectStore(Store).put(bytes, name);
    return new Promise((resolve, reject) => {
      transaction.oncomplete = resolve;
      transaction.onerror = () => reject(transaction.error);
      transaction.onabort = () => reject(transaction.error);
    });
  }

  remove(name) { return request(this.store('readwrite').delete(name)); }
}
