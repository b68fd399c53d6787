// Talks to the studio's server. The token comes from the page's own address
// and goes with every request in a header, which no other site's page can send.

const token = new URLSearchParams(window.location.search).get('token') || '';

export class ApiError extends Error {
  constructor(status, message) {
    super(message);
    this.status = status;
  }
}

async function request(path, { method = 'GET', body, as = 'json' } = {}) {
  const options = { method, headers: { 'X-Studio-Token': token } };
  if (body !== undefined) {
    options.headers['Content-Type'] = 'application/json';
    options.body = JSON.stringify(body);
  } else if (method !== 'GET') {
    options.body = '';
  }
  const response = await fetch(path, options);
  if (!response.ok) {
    let message = `${response.status} ${response.statusText}`;
    let details = null;
    try {
      details = await response.json();
      if (details && details.error) message = details.error;
    } catch (ignored) { /* not JSON */ }
    const error = new ApiError(response.status, message);
    error.details = details;
    throw error;
  }
  return as === 'blob' ? response.blob() : response.json();
}

export const api = {
  job: () => request('/api/job'),
  sourceFrame: (n, maxWidth) =>
    request(`/api/frame?n=${n}&maxWidth=${Math.max(16, Math.round(maxWidth))}`, { as: 'blob' }),
  outputFrame: (job, frame) => request('/api/output', { method: 'POST', body: { job, frame }, as: 'blob' }),
  view: (job, frame) => request('/api/view', { method: 'POST', body: { job, frame } }),
  track: (job) => request('/api/track', { method: 'POST', body: { job } }),
  check: (job) => request('/api/check', { method: 'POST', body: { job } }),
  save: (job) => request('/api/save', { method: 'POST', body: { job } }),
  render: () => request('/api/render', { method: 'POST' }),
  renderStatus: () => request('/api/render'),
  cancelRender: () => request('/api/render/cancel', { method: 'POST' }),
};
