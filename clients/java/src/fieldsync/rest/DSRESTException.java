package fieldsync.rest;

/** A call that failed: the service's error message, or the transport's. */
public class DSRESTException extends Exception {
  private final int status;

  public DSRESTException(String message, int status) {
    super(message);
    this.status = status;
  }

  /** The HTTP status of the answer; 0 when no answer arrived. */
  public int getStatus() {
    return status;
  }
}
